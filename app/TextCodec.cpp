#include "app/TextCodec.h"

#include <optional>

namespace vard {
namespace {

// 0x80..0x9F; 0 marks the five bytes that Windows-1252 leaves undefined, which we
// still map straight through so that reading and writing a file never loses a byte.
constexpr char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

} // namespace

QChar fromCp1252(unsigned char b)
{
    if (b >= 0x80 && b <= 0x9F && kHigh[b - 0x80] != 0)
        return QChar(kHigh[b - 0x80]);
    return QChar(b);
}

QString fromCp1252(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char c : bytes)
        out.append(fromCp1252(static_cast<unsigned char>(c)));
    return out;
}

namespace {

// The byte that stands for the character, or nothing when the code page has none.
std::optional<char> encode(QChar ch)
{
    const char16_t u = ch.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return static_cast<char>(u);
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == u || (kHigh[i] == 0 && u == 0x80 + i))
            return static_cast<char>(0x80 + i);
    }
    return std::nullopt;
}

} // namespace

QByteArray toCp1252(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar ch : text)
        out.append(encode(ch).value_or('?'));
    return out;
}

QString uncodableInCp1252(const QString &text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (encode(text.at(i)))
            continue;
        // A character beyond the first 65536 is two code units; it is named whole.
        const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const qsizetype n = pair ? 2 : 1;
        const QStringView ch = QStringView(text).mid(i, n);
        if (!out.contains(ch))
            out.append(ch);
        i += n - 1;
    }
    return out;
}

} // namespace vard
