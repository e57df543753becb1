#pragma once
// The program-wide settings of [General] in "Vard.ini": the interface language and
// where the separate measuring program lives. One instance for the whole run.

#include <QString>

class TGlobalVars {
public:
    TGlobalVars(); // loads
    ~TGlobalVars() = default;

    void Load();
    // Writes LocaleID, then TavoPath; throws vard::SettingsFileError naming the file.
    void Save() const;

    int LocaleID() const { return m_localeId; }
    QString TavoPath() const { return m_tavoPath; }
    void SetLocaleID(int id) { m_localeId = id; }
    void SetTavoPath(const QString &path) { m_tavoPath = path; }

private:
    int m_localeId = 0;
    QString m_tavoPath;
};

// The one instance, created by the start-up and released by the main window's
// destruction (which saves it first). Null outside that span.
extern TGlobalVars *GlobalVars;
