#include "app/IniFile.h"

#include "app/SafeSave.h"
#include "app/TextCodec.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <mutex>

namespace vard {
namespace {

// A byte range [begin, end) of the file.
struct Span {
    qsizetype begin = 0;
    qsizetype end = 0;
    qsizetype size() const { return end - begin; }
};

enum class LineKind { Other, Section, Key };

// One line, found in place: the file stays one block of bytes and nothing is kept per
// line, so the cost of reading does not grow with the number of lines beyond the
// bytes themselves.
struct Line {
    qsizetype begin = 0;
    qsizetype contentEnd = 0; // before the line's CR and LF
    qsizetype next = 0;       // the first byte of the following line
    LineKind kind = LineKind::Other;
    Span name;  // section or key name, trimmed
    Span value; // key value, trimmed and unquoted
};

// The blanks a decoded name or value loses at either end (a no-break space too).
bool isBlank(char c)
{
    return fromCp1252(static_cast<unsigned char>(c)).isSpace();
}

Span trimmed(const QByteArray &bytes, Span s)
{
    while (s.begin < s.end && isBlank(bytes[s.begin]))
        ++s.begin;
    while (s.end > s.begin && isBlank(bytes[s.end - 1]))
        --s.end;
    return s;
}

qsizetype find(const QByteArray &bytes, char c, Span s)
{
    for (qsizetype i = s.begin; i < s.end; ++i) {
        if (bytes[i] == c)
            return i;
    }
    return -1;
}

Line lineAt(const QByteArray &bytes, qsizetype pos)
{
    Line line;
    line.begin = pos;
    const qsizetype nl = bytes.indexOf('\n', pos);
    line.next = nl < 0 ? bytes.size() : nl + 1;
    line.contentEnd = line.next;
    while (line.contentEnd > pos && (bytes[line.contentEnd - 1] == '\n' || bytes[line.contentEnd - 1] == '\r'))
        --line.contentEnd;

    const Span t = trimmed(bytes, {pos, line.contentEnd});
    if (t.size() > 0 && bytes[t.begin] == '[') {
        const qsizetype close = find(bytes, ']', t);
        line.kind = LineKind::Section;
        line.name = trimmed(bytes, {t.begin + 1, close < 0 ? t.end : close});
        return line;
    }
    const qsizetype eq = find(bytes, '=', t);
    if (eq < 0)
        return line;
    line.kind = LineKind::Key;
    line.name = trimmed(bytes, {t.begin, eq});
    line.value = trimmed(bytes, {eq + 1, t.end});
    if (line.value.size() >= 2) {
        const char q = bytes[line.value.begin];
        if ((q == '"' || q == '\'') && bytes[line.value.end - 1] == q) {
            ++line.value.begin;
            --line.value.end;
        }
    }
    return line;
}

QString decode(const QByteArray &bytes, Span s)
{
    return fromCp1252(bytes.mid(s.begin, s.size()));
}

// Names match without regard to case, compared character by character as decoded,
// without building a text for every line looked at.
bool sameName(const QByteArray &bytes, Span s, const QString &name)
{
    if (s.size() != name.size())
        return false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar a = fromCp1252(static_cast<unsigned char>(bytes[s.begin + i]));
        if (a != name.at(i) && a.toCaseFolded() != name.at(i).toCaseFolded())
            return false;
    }
    return true;
}

// ------------------------------------------------------------ read problems

struct ReadProblems {
    std::mutex mutex; // guards everything below
    QSet<QString> reported;
    QStringList pending;
    ReadProblemHandler handler;
};

ReadProblems &readProblems()
{
    static ReadProblems problems;
    return problems;
}

void reportReadProblem(const QString &filePath, const QString &reason)
{
    const QString message =
        QCoreApplication::translate("IniFile",
                                    "The file \"%1\" was not read (%2). Every value it holds has its default for now.")
            .arg(filePath, reason);
    ReadProblemHandler handler;
    {
        ReadProblems &p = readProblems();
        std::lock_guard lock(p.mutex);
        if (p.reported.contains(filePath))
            return;
        p.reported.insert(filePath);
        if (!p.handler) {
            p.pending.append(message);
            return;
        }
        handler = p.handler;
    }
    handler(message);
}

// ------------------------------------------------------------ the file

class IniDocument {
public:
    // A missing file reads as empty; one that cannot be read, too, but it keeps the
    // reason, and a write to it is refused.
    explicit IniDocument(const QString &filePath) : m_path(filePath)
    {
        QFile f(filePath);
        if (!f.exists())
            return;
        if (f.size() > kMaxIniFileSize) {
            m_problem = tooLarge();
            return;
        }
        if (!f.open(QIODevice::ReadOnly)) {
            m_problem = f.errorString();
            return;
        }
        // The file may have grown since its size was asked.
        m_bytes = f.read(kMaxIniFileSize + 1);
        if (f.error() != QFileDevice::NoError)
            m_problem = f.errorString();
        else if (m_bytes.size() > kMaxIniFileSize)
            m_problem = tooLarge();
        if (m_problem)
            m_bytes.clear();
    }

    const std::optional<QString> &problem() const { return m_problem; }
    const QString &path() const { return m_path; }

    std::optional<QString> value(const QString &section, const QString &key) const
    {
        const auto range = findSection(section);
        if (!range)
            return std::nullopt;
        for (qsizetype pos = range->body; pos < range->end;) {
            const Line l = lineAt(m_bytes, pos);
            if (l.kind == LineKind::Key && sameName(m_bytes, l.name, key))
                return decode(m_bytes, l.value);
            pos = l.next;
        }
        return std::nullopt;
    }

    IniKeyValues keys(const QString &section) const
    {
        IniKeyValues out;
        const auto range = findSection(section);
        if (!range)
            return out;
        for (qsizetype pos = range->body; pos < range->end;) {
            const Line l = lineAt(m_bytes, pos);
            if (l.kind == LineKind::Key)
                out.append({decode(m_bytes, l.name), decode(m_bytes, l.value)});
            pos = l.next;
        }
        return out;
    }

    QStringList sections() const
    {
        QStringList out;
        for (qsizetype pos = 0; pos < m_bytes.size();) {
            const Line l = lineAt(m_bytes, pos);
            if (l.kind == LineKind::Section)
                out.append(decode(m_bytes, l.name));
            pos = l.next;
        }
        return out;
    }

    // An existing key's line is rewritten in place (keeping its line end), a new key
    // goes after the section's last key, a new section to the end of the file.
    void set(const QString &section, const QString &key, const QString &value)
    {
        const QByteArray newLine = toCp1252(key + u'=' + value);
        const auto range = findSection(section);
        if (!range) {
            terminateLastLine();
            m_bytes += toCp1252(u'[' + section + u']') + "\r\n" + newLine + "\r\n";
            return;
        }
        qsizetype insertAt = range->body;
        for (qsizetype pos = range->body; pos < range->end;) {
            const Line l = lineAt(m_bytes, pos);
            if (l.kind == LineKind::Key) {
                if (sameName(m_bytes, l.name, key)) {
                    if (l.contentEnd == l.next)
                        m_bytes.insert(l.contentEnd, "\r\n");
                    m_bytes.replace(l.begin, l.contentEnd - l.begin, newLine);
                    return;
                }
                insertAt = l.next;
            }
            pos = l.next;
        }
        if (insertAt == m_bytes.size()) {
            terminateLastLine();
            insertAt = m_bytes.size();
        }
        m_bytes.insert(insertAt, newLine + "\r\n");
    }

    bool eraseSection(const QString &section)
    {
        const auto range = findSection(section);
        if (!range)
            return false;
        m_bytes.remove(range->header, range->end - range->header);
        return true;
    }

    void save() const
    {
        // Replacing a file we could not read would throw its contents away.
        if (m_problem)
            throw SettingsFileError(m_path, *m_problem);
        QFileInfo info(m_path);
        // The owner's write bit is the read-only mark, as the attribute is elsewhere; the
        // folder-level check is left to the platform (root passes it).
        if (info.exists() && !(info.permissions() & QFileDevice::WriteOwner))
            throw SettingsFileError(m_path, QCoreApplication::translate("IniFile", "the file is read-only"));
        // No writing in place when the folder refuses the temporary file: a settings or
        // profile file cut off by a full disk would lose every value in it, where a
        // refused save loses only the one change and says so.
        const SaveResult result = SaveWholeFile(m_path, m_bytes, SafeSave::Fallback::None);
        if (!result)
            throw SettingsFileError(m_path, result.reason);
    }

private:
    struct SectionRange {
        qsizetype header = 0; // the section's line
        qsizetype body = 0;   // the line after it
        qsizetype end = 0;    // the next section's line, or the end of the file
    };

    static QString tooLarge()
    {
        return QCoreApplication::translate("IniFile", "it is larger than 1 MiB, which no settings file is");
    }

    // The first section of that name: later ones of the same name are never found.
    std::optional<SectionRange> findSection(const QString &section) const
    {
        std::optional<SectionRange> found;
        for (qsizetype pos = 0; pos < m_bytes.size();) {
            const Line l = lineAt(m_bytes, pos);
            if (l.kind == LineKind::Section) {
                if (found) {
                    found->end = l.begin;
                    return found;
                }
                if (sameName(m_bytes, l.name, section))
                    found = SectionRange{l.begin, l.next, m_bytes.size()};
            }
            pos = l.next;
        }
        return found;
    }

    void terminateLastLine()
    {
        if (!m_bytes.isEmpty() && !m_bytes.endsWith('\n'))
            m_bytes.append("\r\n");
    }

    QString m_path;
    QByteArray m_bytes;
    std::optional<QString> m_problem;
};

// A name or value that the file cannot hold as it is: a line break or NUL would start
// a line of its own (one pasted path could set any key), a bracket or equals sign in a
// name would read back as another name, and a character outside the code page would
// come back as '?'.
std::optional<QString> unstorable(const QString &section, const QString &key, const QString &value)
{
    auto breaksLine = [](const QString &s) {
        return s.contains(u'\r') || s.contains(u'\n') || s.contains(QChar(u'\0'));
    };
    if (breaksLine(section) || section.contains(u']'))
        return QCoreApplication::translate("IniFile",
                                           "the section name \"%1\" holds a line break, a NUL character or \"]\"")
            .arg(section);
    if (breaksLine(key) || key.contains(u'=') || key.trimmed().startsWith(u'['))
        return QCoreApplication::translate(
                   "IniFile", "the key name \"%1\" holds a line break, a NUL character, \"=\" or a leading \"[\"")
            .arg(key);
    if (breaksLine(value))
        return QCoreApplication::translate("IniFile", "the value of \"%1\" holds a line break or a NUL character")
            .arg(key);
    for (const QString *s : {&section, &key, &value}) {
        const QString lost = uncodableInCp1252(*s);
        if (!lost.isEmpty())
            return QCoreApplication::translate(
                       "IniFile", "the characters \"%1\" in \"%2\" cannot be stored in the file's code page")
                .arg(lost, *s);
    }
    return std::nullopt;
}

// The document for a read: a file that cannot be read is reported (once per run).
IniDocument readDocument(const QString &filePath)
{
    IniDocument doc(filePath);
    if (doc.problem())
        reportReadProblem(filePath, *doc.problem());
    return doc;
}

} // namespace

namespace {
QString cannotWrite(const QString &filePath, const QString &reason)
{
    return QCoreApplication::translate("IniFile", "Cannot write \"%1\": %2").arg(filePath, reason);
}
} // namespace

SettingsFileError::SettingsFileError(const QString &filePath, const QString &reason)
    : std::runtime_error(cannotWrite(filePath, reason).toStdString()),
      m_filePath(filePath),
      m_message(cannotWrite(filePath, reason))
{
}

std::optional<QString> iniRead(const QString &filePath, const QString &section, const QString &key)
{
    return readDocument(filePath).value(section, key);
}

IniKeyValues iniSectionKeys(const QString &filePath, const QString &section)
{
    return readDocument(filePath).keys(section);
}

QStringList iniSections(const QString &filePath)
{
    return readDocument(filePath).sections();
}

std::optional<QString> iniReadProblem(const QString &filePath)
{
    return IniDocument(filePath).problem();
}

void iniWrite(const QString &filePath, const QString &section, const IniKeyValues &values)
{
    for (const auto &[key, value] : values) {
        if (const auto why = unstorable(section, key, value))
            throw SettingsFileError(filePath, *why);
    }
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

void SetReadProblemHandler(ReadProblemHandler handler)
{
    QStringList pending;
    {
        ReadProblems &p = readProblems();
        std::lock_guard lock(p.mutex);
        p.handler = handler;
        if (handler)
            pending.swap(p.pending);
    }
    for (const QString &message : pending)
        handler(message);
}

} // namespace vard
