#pragma once
// The interface languages: the built-in English and every translation found beside the
// program ("vard_<locale>.qm", for example "vard_de.qm" or "vard_de_AT.qm"), and the
// switch between them.
//
// A language is known to the settings by its Windows locale identifier (1031 for
// German (Germany)), so "Vard.ini" means the same on every platform; 0 is the built-in
// English. Loading a language installs its translation and Qt's own (dialog buttons,
// file dialogs) and makes its locale the default for numbers, dates and times. Qt then
// sends every widget a LanguageChange event, which the windows answer by setting their
// texts anew.

#include <QDialog>
#include <optional>
#include <QList>
#include <QLocale>
#include <QString>

class QListWidget;
class QTranslator;

struct TLanguageInfo {
    int LocaleID = 0;    // Windows locale identifier; 0 for the built-in language
    QLocale Locale;
    QString FilePath;    // the translation file; empty for the built-in language
    QString DisplayName; // in the language itself: "Deutsch", "Deutsch (Österreich)"
};

namespace vard {

// Windows locale identifier of a locale; 0 when the locale has none known here.
int LocaleIdFor(const QLocale &locale);
// The locale a Windows locale identifier stands for; nothing when unknown.
std::optional<QLocale> LocaleForId(int localeId);

} // namespace vard

class TLanguageManager {
public:
    // The folder searched for translations; the program's own folder unless told.
    explicit TLanguageManager(const QString &folder = QString());
    ~TLanguageManager();
    TLanguageManager(const TLanguageManager &) = delete;
    TLanguageManager &operator=(const TLanguageManager &) = delete;

    // The program-wide instance, created on first use.
    static TLanguageManager &Instance();

    // The translations found beside the program, read anew each time.
    QList<TLanguageInfo> Alternatives() const;
    int AlternativeCount() const { return static_cast<int>(Alternatives().size()); }
    // The built-in language and the alternatives, sorted by display name.
    QList<TLanguageInfo> Offered() const;

    // Switches to the language with this identifier (0 = built-in). False, and nothing
    // changes, when no translation of that language is there or it cannot be read.
    bool Load(int localeId);
    int CurrentLocaleID() const { return m_current; }

    // The built-in language's locale: the system's when that is English, else
    // English (United States).
    static QLocale BuiltInLocale();

private:
    void dropTranslators();

    QString m_folder;
    int m_current = 0;
    QTranslator *m_program = nullptr;
    QTranslator *m_qt = nullptr;
};

// "Select Language": the offered languages, the current one selected (else the
// first); OK or a double-click takes the selected one.
class TLanguageDialog : public QDialog {
    Q_OBJECT
public:
    TLanguageDialog(const QList<TLanguageInfo> &languages, int currentLocaleId, QWidget *parent = nullptr);
    // The locale identifier of the selected entry, or -1 when none.
    int SelectedLocaleID() const;

private:
    QList<TLanguageInfo> m_languages;
    QListWidget *lstLanguages = nullptr;
};
