#include "include/PathText.h"

namespace {

// The quote rule shared by the texts below: a leading quote is dropped, and
// the text ends at the next one.
template <typename Text, typename Char> Text TrimQuotesImpl(Text text, Char quote) {
    for (auto quoteAt = text.find(quote); quoteAt != Text::npos; quoteAt = text.find(quote)) {
        if (quoteAt == 0)
            text.erase(0, 1);
        else
            text = text.substr(0, quoteAt);
    }
    return text;
}

// Whether a text is an icon index: an optional sign and digits, spaces
// around them allowed.
template <typename Text, typename Char> bool IsIndex(const Text& text) {
    size_t at = 0;
    auto skipSpaces = [&]() {
        while (at < text.size() && text[at] == Char(' '))
            ++at;
    };
    skipSpaces();
    if (at < text.size() && (text[at] == Char('-') || text[at] == Char('+'))) ++at;
    const size_t digits = at;
    while (at < text.size() && text[at] >= Char('0') && text[at] <= Char('9'))
        ++at;
    if (at == digits) return false;
    skipSpaces();
    return at == text.size();
}

// One implementation for both text types: the 8-bit form works on the
// ANSI bytes of a record, the QString form on display text. A quoted path
// is read whole, whatever commas it holds; an unquoted one loses only a
// trailing ",index", since a folder name may hold a comma too.
template <typename Text, typename Char> Text CleanPathTextImpl(Text text, Char comma, Char quote) {
    if (!text.empty() && text[0] == quote) return TrimQuotesImpl(text, quote);
    const auto commaAt = text.rfind(comma);
    if (commaAt != Text::npos && IsIndex<Text, Char>(text.substr(commaAt + 1))) text = text.substr(0, commaAt);
    return TrimQuotesImpl(text, quote);
}

// The program path of a command line: the quoted part of a quoted command,
// else everything up to an ".exe" that arguments follow.
template <typename Text, typename Char> Text CommandPathImpl(Text text, Char quote) {
    if (!text.empty() && text[0] == quote) return TrimQuotesImpl(text, quote);
    for (size_t at = 0; at + 4 < text.size(); ++at) {
        if (text[at] != Char('.') || text[at + 4] != Char(' ')) continue;
        auto lower = [](Char c) { return c >= Char('A') && c <= Char('Z') ? Char(c + 32) : c; };
        if (lower(text[at + 1]) == Char('e') && lower(text[at + 2]) == Char('x') && lower(text[at + 3]) == Char('e'))
            return text.substr(0, at + 4);
    }
    return text;
}

template <typename Text, typename Char> Text UninstallerStemImpl(const Text& command, Char backslash) {
    const Text text = CommandPathImpl(command, Char('"'));
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

QString CleanFolderText(const QString& text) {
    return QString::fromStdU16String(TrimQuotesImpl(text.toStdU16String(), char16_t(u'"')));
}

QString CommandPath(const QString& command) {
    return QString::fromStdU16String(CommandPathImpl(command.toStdU16String(), char16_t(u'"')));
}

namespace {

// One UTF-16 unit upper-cased on its own; ASCII, most of every name, without
// the Unicode tables.
QChar UpperUnit(QChar c) {
    const ushort unit = c.unicode();
    if (unit < 0x80) return unit >= 'a' && unit <= 'z' ? QChar(ushort(unit - 32)) : c;
    return c.isSurrogate() ? c : c.toUpper();
}

} // namespace

QString WindowsNameKey(const QString& name) {
    QString key = name;
    for (QChar& c : key)
        c = UpperUnit(c);
    return key;
}

bool SameWindowsName(const QString& a, const QString& b) {
    // Upper-casing a unit never changes the number of units.
    if (a.size() != b.size()) return false;
    for (int i = 0; i < a.size(); ++i)
        if (a.at(i) != b.at(i) && UpperUnit(a.at(i)) != UpperUnit(b.at(i))) return false;
    return true;
}
