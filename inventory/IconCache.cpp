#include "inventory/IconCache.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {

// "TIC1", width, height (little-endian 32-bit), then the pixels; an entry
// of the bare magic "TIC0" says "no icon".
constexpr char kIconMagic[] = "TIC1";
constexpr char kNoIconMagic[] = "TIC0";
constexpr int kHeaderSize = 12;
// Anything larger is not an icon we drew.
constexpr uint32_t kMaxSide = 1024;

void PutU32(QByteArray* out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out->append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint32_t GetU32(const QByteArray& in, int at) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(static_cast<unsigned char>(in.at(at + i))) << (8 * i);
    return value;
}

} // namespace

CIconCache::CIconCache(QString cacheFolder) : folder(std::move(cacheFolder)) {}

QString CIconCache::EntryPath(const std::string& path, int index, uint64_t modificationTime, uint32_t size) const {
    // Windows paths compare ignoring case; the key does too for ASCII.
    QByteArray key = QString::fromStdString(path).toLower().toUtf8();
    key += '\n' + QByteArray::number(index) + '\n' + QByteArray::number(qulonglong(modificationTime)) + '\n' +
           QByteArray::number(size);
    return folder + QLatin1Char('/') +
           QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex()) +
           QStringLiteral(".icon");
}

CIconCache::Lookup CIconCache::Find(const std::string& path, int index, uint64_t modificationTime, uint32_t size,
                                    platform::IconImage* image) const {
    QFile file(EntryPath(path, index, modificationTime, size));
    if (!file.open(QIODevice::ReadOnly)) return Lookup::Miss;
    const QByteArray data = file.readAll();
    if (data == QByteArray(kNoIconMagic)) return Lookup::NoIcon;
    if (data.size() < kHeaderSize || !data.startsWith(kIconMagic)) return Lookup::Miss;
    const uint32_t width = GetU32(data, 4);
    const uint32_t height = GetU32(data, 8);
    // A damaged entry is a miss: the icon is simply drawn again.
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide ||
        uint64_t(data.size() - kHeaderSize) != uint64_t(width) * height * 4)
        return Lookup::Miss;
    image->width = width;
    image->height = height;
    image->pixels.assign(data.constData() + kHeaderSize, static_cast<size_t>(data.size() - kHeaderSize));
    return Lookup::Icon;
}

void CIconCache::Store(const std::string& path, int index, uint64_t modificationTime, uint32_t size,
                       const platform::IconImage* image) {
    QByteArray data;
    if (image == nullptr) {
        data = kNoIconMagic;
    } else {
        if (image->width == 0 || image->height == 0 || image->width > kMaxSide || image->height > kMaxSide ||
            image->pixels.size() != size_t(image->width) * image->height * 4)
            return;
        data = kIconMagic;
        PutU32(&data, image->width);
        PutU32(&data, image->height);
        data.append(image->pixels.data(), static_cast<int>(image->pixels.size()));
    }
    // A cache that cannot be written only costs the next start some time.
    if (!QDir().mkpath(folder)) return;
    QSaveFile file(EntryPath(path, index, modificationTime, size));
    if (!file.open(QIODevice::WriteOnly)) return;
    file.write(data);
    file.commit();
}
