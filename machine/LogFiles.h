#pragma once
// The machine log on disk, one file per local day ("vard-YYYY-MM-DD.log"), written a
// line at a time as the log window gets it, so that the log survives a crash or a
// quit. Each line is stored as the window's "Save" stores it: the line's text as shown
// (with its "[time] " stamp when it has one) in Windows-1252, a character the code
// page cannot hold as '?', ended by CR LF.
//
// A line that cannot be written (full disk, size limit, read-only folder) waits in a
// bounded backlog and goes out before the next line, so the files never hold lines out
// of order and nothing is lost while the disk recovers. Only for the main thread.

#include <QDate>
#include <QDateTime>
#include <QString>

#include <deque>

namespace vard {

class LogFiles {
public:
    // Lines kept while the disk refuses them; beyond that the oldest are dropped.
    static constexpr qsizetype kDefaultBacklogLimit = 10000;

    // `folder` is created when missing (also again later, should it vanish).
    explicit LogFiles(const QString &folder, qsizetype backlogLimit = kDefaultBacklogLimit);

    QString folder() const { return m_folder; }
    // The file that holds the lines of `day`, in folder().
    QString filePath(const QDate &day) const;
    static QString fileName(const QDate &day);

    // Appends the line to the file of the local day of `when` (an invalid time counts
    // as now), after the backlog. True when the line, and every line waiting before
    // it, is on disk. False when logging is off (the line is not kept) or the write
    // failed (the line waits in the backlog; lastError() says why).
    bool append(const QString &line, const QDateTime &when);

    QString lastError() const { return m_lastError; }
    qsizetype backlog() const { return qsizetype(m_backlog.size()); }
    // Lines given up because the backlog was full, over the object's life.
    qsizetype dropped() const { return m_dropped; }

    // True once for each run of failures, with lastError() in *message (when given),
    // so the caller tells the operator once. A successful write ends the run and
    // forgets a problem nobody took: it no longer stands.
    bool takeNewProblem(QString *message);

    // While disabled nothing is written and append() returns false at once; the
    // backlog is kept and goes out with the first line after enabling again.
    void setEnabled(bool enabled) { m_enabled = enabled; }
    bool isEnabled() const { return m_enabled; }

    // Deletes the day files of the folder more than `days` days before `today`: a
    // file exactly `days` old stays. Only names of the exact day-file pattern with a
    // real date are considered; days <= 0 removes nothing. Returns how many went.
    int removeOlderThan(int days, const QDate &today);

    // [Log] "WriteFiles" (default 1) and "KeepDays" (default 90) of "Vard.ini".
    static bool EnabledSetting();
    static int KeepDaysSetting();

private:
    struct Pending {
        QDate day;
        QByteArray bytes;
    };

    bool writeBacklog();
    void keep(Pending pending);

    QString m_folder;
    qsizetype m_backlogLimit;
    std::deque<Pending> m_backlog;
    qsizetype m_dropped = 0;
    QString m_lastError;
    bool m_enabled = true;
    bool m_failing = false;
    bool m_problemPending = false;
};

} // namespace vard
