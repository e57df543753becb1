#include "app/IniFile.h"

#include "app/TextCodec.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace vard {
namespace {

// Settings and profile files are a few kilobytes; anything this large is not one of
// ours and is not read into memory.
constexpr qint64 kMaxIniFileSize = 64 * 1024 * 1024;

struct IniLine {
    QByteArray raw;     // the line as in the file, terminator included
    QString text;       // decoded, without terminator
};

enum class LineKind { Other, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    QString name;  // section or key name, trimmed
    QString value; // key value, trimmed and unquoted
};

ParsedLine parse(const QString &text)
{
    ParsedLine p;
    const QString t = text.trimmed();
    if (t.startsWith(u'[')) {
        const qsizetype close = t.indexOf(u']');
        p.kind = LineKind::Section;
        p.name = (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
        return p;
    }
    const qsizetype eq = t.indexOf(u'=');
    if (eq < 0)
        return p;
    p.kind = LineKind::Key;
    p.name = t.left(eq).trimmed();
    p.value = t.mid(eq + 1).trimmed();
    if (p.value.size() >= 2) {
        const QChar q = p.value.front();
        if ((q == u'"' || q == u'\'') && p.value.back() == q)
            p.value = p.value.mid(1, p.value.size() - 2);
    }
    return p;
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

class IniDocument {
public:
    // A missing or unreadable file reads as empty.
    explicit IniDocument(const QString &filePath) : m_path(filePath)
    {
        QFile f(filePath);
        if (!f.exists())
            return;
        if (f.size() > kMaxIniFileSize || !f.open(QIODevice::ReadOnly)) {
            m_unreadable = true;
            return;
        }
        const QByteArray all = f.readAll();
        qsizetype start = 0;
        while (start < all.size()) {
            qsizetype nl = all.indexOf('\n', start);
            const qsizetype end = nl < 0 ? all.size() : nl + 1;
            IniLine line;
            line.raw = all.mid(start, end - start);
            QByteArray body = line.raw;
            while (body.endsWith('\n') || body.endsWith('\r'))
                body.chop(1);
            line.text = fromCp1252(body);
            m_lines.append(line);
            start = end;
        }
    }

    // Index of the header line of the first section of that name, or -1.
    qsizetype findSection(const QString &section) const
    {
        for (qsizetype i = 0; i < m_lines.size(); ++i) {
            const ParsedLine p = parse(m_lines[i].text);
            if (p.kind == LineKind::Section && sameName(p.name, section))
                return i;
        }
        return -1;
    }

    // One past the last line belonging to the section that starts at header.
    qsizetype sectionEnd(qsizetype header) const
    {
        qsizetype i = header + 1;
        while (i < m_lines.size() && parse(m_lines[i].text).kind != LineKind::Section)
            ++i;
        return i;
    }

    std::optional<QString> value(const QString &section, const QString &key) const
    {
        const qsizetype header = findSection(section);
        if (header < 0)
            return std::nullopt;
        const qsizetype end = sectionEnd(header);
        for (qsizetype i = header + 1; i < end; ++i) {
            const ParsedLine p = parse(m_lines[i].text);
            if (p.kind == LineKind::Key && sameName(p.name, key))
                return p.value;
        }
        return std::nullopt;
    }

    IniKeyValues keys(const QString &section) const
    {
        IniKeyValues out;
        const qsizetype header = findSection(section);
        if (header < 0)
            return out;
        const qsizetype end = sectionEnd(header);
        for (qsizetype i = header + 1; i < end; ++i) {
            const ParsedLine p = parse(m_lines[i].text);
            if (p.kind == LineKind::Key)
                out.append({p.name, p.value});
        }
        return out;
    }

    QStringList sections() const
    {
        QStringList out;
        for (const IniLine &l : m_lines) {
            const ParsedLine p = parse(l.text);
            if (p.kind == LineKind::Section)
                out.append(p.name);
        }
        return out;
    }

    void set(const QString &section, const QString &key, const QString &value)
    {
        const QString newText = key + u'=' + value;
        qsizetype header = findSection(section);
        if (header < 0) {
            terminateLastLine();
            m_lines.append(makeLine(u'[' + section + u']'));
            m_lines.append(makeLine(newText));
            return;
        }
        const qsizetype end = sectionEnd(header);
        qsizetype lastKey = header;
        for (qsizetype i = header + 1; i < end; ++i) {
            const ParsedLine p = parse(m_lines[i].text);
            if (p.kind != LineKind::Key)
                continue;
            if (sameName(p.name, key)) {
                replaceText(i, newText);
                return;
            }
            lastKey = i;
        }
        if (lastKey == m_lines.size() - 1)
            terminateLastLine();
        m_lines.insert(lastKey + 1, makeLine(newText));
    }

    bool eraseSection(const QString &section)
    {
        const qsizetype header = findSection(section);
        if (header < 0)
            return false;
        m_lines.remove(header, sectionEnd(header) - header);
        return true;
    }

    void save() const
    {
        // Replacing a file we could not read would throw its contents away.
        if (m_unreadable)
            throw SettingsFileError(m_path, QStringLiteral("the file cannot be read"));
        QFileInfo info(m_path);
        // The owner's write bit is the read-only mark, as the attribute is elsewhere; the
        // folder-level check is left to the platform (root passes it).
        if (info.exists() && !(info.permissions() & QFileDevice::WriteOwner))
            throw SettingsFileError(m_path, QStringLiteral("the file is read-only"));
        QSaveFile out(m_path);
        if (!out.open(QIODevice::WriteOnly))
            throw SettingsFileError(m_path, out.errorString());
        for (const IniLine &l : m_lines) {
            if (out.write(l.raw) != l.raw.size())
                throw SettingsFileError(m_path, out.errorString());
        }
        if (!out.commit())
            throw SettingsFileError(m_path, out.errorString());
    }

private:
    static IniLine makeLine(const QString &text)
    {
        return IniLine{toCp1252(text) + "\r\n", text};
    }

    // Keeps the terminator the line had in the file.
    void replaceText(qsizetype i, const QString &text)
    {
        QByteArray terminator;
        const QByteArray &raw = m_lines[i].raw;
        qsizetype cut = raw.size();
        while (cut > 0 && (raw[cut - 1] == '\n' || raw[cut - 1] == '\r'))
            --cut;
        terminator = raw.mid(cut);
        if (terminator.isEmpty())
            terminator = "\r\n";
        m_lines[i] = IniLine{toCp1252(text) + terminator, text};
    }

    void terminateLastLine()
    {
        if (!m_lines.isEmpty() && !m_lines.back().raw.endsWith('\n'))
            m_lines.back().raw.append("\r\n");
    }

    QString m_path;
    QList<IniLine> m_lines;
    bool m_unreadable = false;
};

} // namespace

SettingsFileError::SettingsFileError(const QString &filePath, const QString &reason)
    : std::runtime_error(QStringLiteral("Cannot write \"%1\": %2").arg(filePath, reason).toStdString()),
      m_filePath(filePath),
      m_message(QStringLiteral("Cannot write \"%1\": %2").arg(filePath, reason))
{
}

std::optional<QString> iniRead(const QString &filePath, const QString &section, const QString &key)
{
    return IniDocument(filePath).value(section, key);
}

IniKeyValues iniSectionKeys(const QString &filePath, const QString &section)
{
    return IniDocument(filePath).keys(section);
}

QStringList iniSections(const QString &filePath)
{
    return IniDocument(filePath).sections();
}

void iniWrite(const QString &filePath, const QString &section, const IniKeyValues &values)
{
    IniDocument doc(filePath);
    for (const auto &[key, value] : values)
        doc.set(section, key, value);
    doc.save();
}

void iniEraseSection(const QString &filePath, const QString &section)
{
    IniDocument doc(filePath);
    if (doc.eraseSection(section))
        doc.save();
}

} // namespace vard
