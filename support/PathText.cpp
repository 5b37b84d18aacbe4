#include "include/PathText.h"

namespace {

// One implementation for both text types: the 8-bit form works on the
// ANSI bytes of a record, the QString form on display text.
template <typename Text, typename Char> Text CleanPathTextImpl(Text text, Char comma, Char quote) {
    const auto commaAt = text.find(comma);
    if (commaAt != Text::npos) text = text.substr(0, commaAt);
    for (auto quoteAt = text.find(quote); quoteAt != Text::npos; quoteAt = text.find(quote)) {
        if (quoteAt == 0)
            text.erase(0, 1);
        else
            text = text.substr(0, quoteAt);
    }
    return text;
}

template <typename Text, typename Char> Text UninstallerStemImpl(const Text& text, Char backslash) {
    const auto slashAt = text.rfind(backslash);
    const Text name = slashAt == Text::npos ? text : text.substr(slashAt + 1);
    if (name.size() <= 4) return Text();
    return name.substr(0, name.size() - 4);
}

} // namespace

std::string CleanPathText(const std::string& text) {
    return CleanPathTextImpl(text, ',', '"');
}

QString CleanPathText(const QString& text) {
    return QString::fromStdU16String(CleanPathTextImpl(text.toStdU16String(), char16_t(u','), char16_t(u'"')));
}

std::string UninstallerStem(const std::string& text) {
    return UninstallerStemImpl(text, '\\');
}

QString UninstallerStem(const QString& text) {
    return QString::fromStdU16String(UninstallerStemImpl(text.toStdU16String(), char16_t(u'\\')));
}
