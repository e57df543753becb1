<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AboutAppUnit</name>
    <message>
        <source>KEL Example Soldering Systems Ltd.
1 Sample Street
00000 Exampletown
Exampleland

Telephone: +00 0000 000000
Fax: +00 0000 000001

E-mail: info@example.com
Web: www.example.com</source>
        <translation>KEL Example Soldering Systems Ltd.
1 Sample Street
00000 Exampletown
Exampleland

Telefon: +00 0000 000000
Fax: +00 0000 000001

E-Mail: info@example.com
Web: www.example.com</translation>
    </message>
    <message>
        <source>About KEL</source>
        <translation>Über KEL</translation>
    </message>
    <message>
        <source>Input string</source>
        <translation>Zeichenfolge eingeben</translation>
    </message>
    <message>
        <source>Please enter string to calculate checksum for:</source>
        <translation>Bitte geben Sie die Zeichenfolge ein, für die die Prüfsumme berechnet werden soll:</translation>
    </message>
    <message>
        <source>The checksum for &quot;%1&quot; is %2.</source>
        <translation>Die Prüfsumme für &quot;%1&quot; lautet %2.</translation>
    </message>
    <message>
        <source>Could not find Tavo.exe. Please enter correct path under &quot;Extras...Settings&quot;!</source>
        <translation>Tavo.exe wurde nicht gefunden. Bitte geben Sie unter &quot;Extras...Einstellungen&quot; den richtigen Pfad ein!</translation>
    </message>
</context>
<context>
    <name>IniFile</name>
    <message>
        <source>Cannot write &quot;%1&quot;: %2</source>
        <translation>&quot;%1&quot; kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>the file is read-only</source>
        <translation>die Datei ist schreibgeschützt</translation>
    </message>
    <message>
        <source>it is larger than 1 MiB, which no settings file is</source>
        <translation>sie ist größer als 1 MiB, was keine Einstellungsdatei ist</translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; was not read (%2). Every value it holds has its default for now.</source>
        <translation>Die Datei &quot;%1&quot; wurde nicht gelesen (%2). Jeder Wert daraus hat vorerst seine Voreinstellung.</translation>
    </message>
    <message>
        <source>the section name &quot;%1&quot; holds a line break, a NUL character or &quot;]&quot;</source>
        <translation>der Abschnittsname &quot;%1&quot; enthält einen Zeilenumbruch, ein NUL-Zeichen oder &quot;]&quot;</translation>
    </message>
    <message>
        <source>the key name &quot;%1&quot; holds a line break, a NUL character, &quot;=&quot; or a leading &quot;[&quot;</source>
        <translation>der Schlüsselname &quot;%1&quot; enthält einen Zeilenumbruch, ein NUL-Zeichen, &quot;=&quot; oder beginnt mit &quot;[&quot;</translation>
    </message>
    <message>
        <source>the value of &quot;%1&quot; holds a line break or a NUL character</source>
        <translation>der Wert von &quot;%1&quot; enthält einen Zeilenumbruch oder ein NUL-Zeichen</translation>
    </message>
    <message>
        <source>the characters &quot;%1&quot; in &quot;%2&quot; cannot be stored in the file&apos;s code page</source>
        <translation>die Zeichen &quot;%1&quot; in &quot;%2&quot; lassen sich in der Codepage der Datei nicht speichern</translation>
    </message>
</context>
<context>
    <name>LogFiles</name>
    <message>
        <source>Error writing to file &quot;%1&quot;: %2</source>
        <translation>Fehler beim Schreiben in die Datei &quot;%1&quot;: %2</translation>
    </message>
</context>
<context>
    <name>MeasJournal</name>
    <message>
        <source>unknown error</source>
        <translation>unbekannter Fehler</translation>
    </message>
    <message>
        <source>the measurement journal is not open</source>
        <translation>das Messjournal ist nicht geöffnet</translation>
    </message>
    <message>
        <source>the data could not be written to the disk</source>
        <translation>die Daten konnten nicht auf den Datenträger geschrieben werden</translation>
    </message>
    <message>
        <source>the file is not a measurement journal</source>
        <translation>die Datei ist kein Messjournal</translation>
    </message>
    <message>
        <source>the measurement journal was written by another version of the program</source>
        <translation>das Messjournal wurde von einer anderen Programmversion geschrieben</translation>
    </message>
    <message>
        <source>the measurement journal ends inside its header</source>
        <translation>das Messjournal endet mitten im Dateikopf</translation>
    </message>
    <message>
        <source>the header of the measurement journal is damaged</source>
        <translation>der Dateikopf des Messjournals ist beschädigt</translation>
    </message>
</context>
<context>
    <name>MeasSaveUnit</name>
    <message>
        <source>Tavo files (*.tavo)</source>
        <translation>Tavo-Dateien (*.tavo)</translation>
    </message>
    <message>
        <source>Reference files (*.mref)</source>
        <translation>Referenzdateien (*.mref)</translation>
    </message>
    <message>
        <source>Text files (*.txt)</source>
        <translation>Textdateien (*.txt)</translation>
    </message>
    <message>
        <source>CSV (*.csv)</source>
        <translation>CSV-Dateien (*.csv)</translation>
    </message>
</context>
<context>
    <name>MessageBoxes</name>
    <message>
        <source>Machine is not connected!</source>
        <translation>Maschine ist nicht verbunden!</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Please confirm</source>
        <translation>Bitte bestätigen</translation>
    </message>
</context>
<context>
    <name>ProfileChart</name>
    <message>
        <source>°C</source>
        <translation>°C</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
</context>
<context>
    <name>SafeSave</name>
    <message>
        <source>unknown error</source>
        <translation>unbekannter Fehler</translation>
    </message>
</context>
<context>
    <name>TAboutAppForm</name>
    <message>
        <source>About application</source>
        <translation>Über das Programm</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Historie</translation>
    </message>
    <message>
        <source>KEL Vard for Windows</source>
        <translation>KEL Vard für Windows</translation>
    </message>
    <message>
        <source>Version:</source>
        <translation>Version:</translation>
    </message>
    <message>
        <source>Date:</source>
        <translation>Datum:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>1.2.1</source>
        <translation>1.2.1</translation>
    </message>
    <message>
        <source>2006-01-26</source>
        <translation>2006-01-26</translation>
    </message>
    <message>
        <source>--- 1.2.1 ---<byte value="xd"/>Bug fixed: Path to images in graphic view corrected<byte value="xd"/><byte value="xd"/>--- 1.2.0 ---<byte value="xd"/>Added graphic view of machine values<byte value="xd"/>Added multilanguage support: English, German<byte value="xd"/>Added internal temperature measurement of soldering machine (362.xx only)<byte value="xd"/><byte value="xd"/>--- 1.1.2 ---<byte value="xd"/>Added machine parameter logging<byte value="xd"/><byte value="xd"/>--- 1.1.0 ---<byte value="xd"/>Added support for KEL soldering machines 362.04, 362.07 and 362.10<byte value="xd"/><byte value="xd"/>--- 1.0.0 ---<byte value="xd"/>Initial version<byte value="xd"/></source>
        <translation>--- 1.2.1 ---<byte value="xd"/>Fehler behoben: Pfad zu den Bildern in der Grafikansicht korrigiert<byte value="xd"/><byte value="xd"/>--- 1.2.0 ---<byte value="xd"/>Grafikansicht der Maschinenwerte hinzugefügt<byte value="xd"/>Mehrsprachigkeit hinzugefügt: Englisch, Deutsch<byte value="xd"/>Interne Temperaturmessung der Lötmaschine hinzugefügt (nur 362.xx)<byte value="xd"/><byte value="xd"/>--- 1.1.2 ---<byte value="xd"/>Protokollierung der Maschinenparameter hinzugefügt<byte value="xd"/><byte value="xd"/>--- 1.1.0 ---<byte value="xd"/>Unterstützung für KEL-Lötmaschinen 362.04, 362.07 und 362.10 hinzugefügt<byte value="xd"/><byte value="xd"/>--- 1.0.0 ---<byte value="xd"/>Erste Version<byte value="xd"/></translation>
    </message>
</context>
<context>
    <name>TCfxLink</name>
    <message>
        <source>the spool is full</source>
        <translation>der Zwischenspeicher ist voll</translation>
    </message>
    <message>
        <source>the broker refused it</source>
        <translation>der Broker hat sie abgelehnt</translation>
    </message>
    <message>
        <source>connection closed</source>
        <translation>Verbindung geschlossen</translation>
    </message>
    <message>
        <source>The broker closed the connection.</source>
        <translation>Der Broker hat die Verbindung geschlossen.</translation>
    </message>
    <message>
        <source>No answer from the broker within %1 s.</source>
        <translation>Keine Antwort des Brokers innerhalb von %1 s.</translation>
    </message>
    <message>
        <source>Connected: %1 accepts messages for %2.</source>
        <translation>Verbunden: %1 nimmt Nachrichten für %2 an.</translation>
    </message>
    <message>
        <source>No broker URL is set.</source>
        <translation>Es ist keine Broker-URL angegeben.</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>TCfxOptionsForm</name>
    <message>
        <source>Line messaging (CFX)</source>
        <translation>Linienkommunikation (CFX)</translation>
    </message>
    <message>
        <source>&amp;Broker URL:</source>
        <translation>&amp;Broker-URL:</translation>
    </message>
    <message>
        <source>amqp://host:5672</source>
        <translation>amqp://host:5672</translation>
    </message>
    <message>
        <source>&amp;User:</source>
        <translation>Ben&amp;utzer:</translation>
    </message>
    <message>
        <source>anonymous</source>
        <translation>anonym</translation>
    </message>
    <message>
        <source>&amp;Password:</source>
        <translation>&amp;Passwort:</translation>
    </message>
    <message>
        <source>&amp;Target address:</source>
        <translation>&amp;Zieladresse:</translation>
    </message>
    <message>
        <source>/queue/cfx or /exchange/cfx</source>
        <translation>/queue/cfx oder /exchange/cfx</translation>
    </message>
    <message>
        <source>Endpoint &amp;handle:</source>
        <translation>Endpunkt-&amp;Kennung:</translation>
    </message>
    <message>
        <source>H&amp;eartbeat period:</source>
        <translation>&amp;Lebenszeichen alle:</translation>
    </message>
    <message>
        <source> s</source>
        <translation> s</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source>Process &amp;data interval:</source>
        <translation>Prozess&amp;daten alle:</translation>
    </message>
    <message>
        <source>&amp;Spool limit:</source>
        <translation>&amp;Zwischenspeicher höchstens:</translation>
    </message>
    <message>
        <source> KB</source>
        <translation> KB</translation>
    </message>
    <message>
        <source>Test &amp;connection</source>
        <translation>Verbindung &amp;testen</translation>
    </message>
    <message>
        <source>Connecting…</source>
        <translation>Verbinde…</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>%1 must not contain a line break or a NUL character.</source>
        <translation>%1 darf keinen Zeilenumbruch und kein NUL-Zeichen enthalten.</translation>
    </message>
    <message>
        <source>%1 contains characters that the settings file cannot hold: %2</source>
        <translation>%1 enthält Zeichen, die die Einstellungsdatei nicht aufnehmen kann: %2</translation>
    </message>
    <message>
        <source>%1 must not begin or end with a blank: the settings file would not keep it.</source>
        <translation>%1 darf nicht mit einem Leerzeichen beginnen oder enden: die Einstellungsdatei würde es nicht behalten.</translation>
    </message>
    <message>
        <source>%1 must not be enclosed in quotes: the settings file would not keep them.</source>
        <translation>%1 darf nicht in Anführungszeichen stehen: die Einstellungsdatei würde sie nicht behalten.</translation>
    </message>
    <message>
        <source>The broker URL</source>
        <translation>Die Broker-URL</translation>
    </message>
    <message>
        <source>The user name</source>
        <translation>Der Benutzername</translation>
    </message>
    <message>
        <source>The password</source>
        <translation>Das Passwort</translation>
    </message>
    <message>
        <source>The target address</source>
        <translation>Die Zieladresse</translation>
    </message>
    <message>
        <source>The endpoint handle</source>
        <translation>Die Endpunkt-Kennung</translation>
    </message>
    <message>
        <source>There is no broker URL to connect to.</source>
        <translation>Es ist keine Broker-URL angegeben.</translation>
    </message>
    <message>
        <source>No answer within %1 s.</source>
        <translation>Keine Antwort innerhalb von %1 s.</translation>
    </message>
    <message>
        <source>Connected.</source>
        <translation>Verbunden.</translation>
    </message>
    <message>
        <source>The connection failed.</source>
        <translation>Die Verbindung ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>%1 → %2, handle %3</source>
        <translation>%1 → %2, Kennung %3</translation>
    </message>
</context>
<context>
    <name>TCfxPublisher</name>
    <message>
        <source>Message spool: %1</source>
        <translation>Nachrichten-Zwischenspeicher: %1</translation>
    </message>
    <message>
        <source>off</source>
        <translation>aus</translation>
    </message>
    <message>
        <source>connecting</source>
        <translation>verbinde</translation>
    </message>
    <message>
        <source>connected</source>
        <translation>verbunden</translation>
    </message>
    <message>
        <source>no broker</source>
        <translation>kein Broker</translation>
    </message>
    <message>
        <source>CFX: %1 (%2 waiting)</source>
        <translation>CFX: %1 (%2 wartend)</translation>
    </message>
    <message>
        <source>CFX: %1</source>
        <translation>CFX: %1</translation>
    </message>
    <message>
        <source>Message broker connection is back: %1</source>
        <translation>Verbindung zum Nachrichten-Broker wieder da: %1</translation>
    </message>
    <message>
        <source>Connected with the message broker %1</source>
        <translation>Verbunden mit dem Nachrichten-Broker %1</translation>
    </message>
    <message>
        <source>Message broker connection lost: %1</source>
        <translation>Verbindung zum Nachrichten-Broker verloren: %1</translation>
    </message>
    <message numerus="yes">
        <source>%n message(s) to the broker dropped: %1</source>
        <translation>
            <numerusform>%n Nachricht an den Broker verworfen: %1</numerusform>
            <numerusform>%n Nachrichten an den Broker verworfen: %1</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TCfxSettings</name>
    <message>
        <source>The broker URL is not valid: %1</source>
        <translation>Die Broker-URL ist ungültig: %1</translation>
    </message>
    <message>
        <source>The broker URL must begin with amqp:// or amqps://</source>
        <translation>Die Broker-URL muss mit amqp:// oder amqps:// beginnen</translation>
    </message>
    <message>
        <source>The target address must not be empty.</source>
        <translation>Die Zieladresse darf nicht leer sein.</translation>
    </message>
    <message>
        <source>The periods must not be negative.</source>
        <translation>Die Zeitabstände dürfen nicht negativ sein.</translation>
    </message>
    <message>
        <source>The spool must hold at least 64 KB.</source>
        <translation>Der Zwischenspeicher muss mindestens 64 KB fassen.</translation>
    </message>
</context>
<context>
    <name>TCfxSpool</name>
    <message>
        <source>Cannot create the message spool folder %1: %2</source>
        <translation>Der Ordner des Nachrichten-Zwischenspeichers %1 kann nicht angelegt werden: %2</translation>
    </message>
    <message>
        <source>Not a directory</source>
        <translation>Kein Ordner</translation>
    </message>
    <message>
        <source>Cannot read the message spool folder %1: %2</source>
        <translation>Der Ordner des Nachrichten-Zwischenspeichers %1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>Cannot write the message spool file %1: %2</source>
        <translation>Die Datei des Nachrichten-Zwischenspeichers %1 kann nicht geschrieben werden: %2</translation>
    </message>
</context>
<context>
    <name>TDebugForm</name>
    <message>
        <source>Debug informations</source>
        <translation>Debug-Informationen</translation>
    </message>
    <message>
        <source>CANCEL</source>
        <translation>ABBRECHEN</translation>
    </message>
    <message>
        <source>RESUME LOGGING</source>
        <translation>PROTOKOLL FORTSETZEN</translation>
    </message>
    <message>
        <source>BREAK LOGGING</source>
        <translation>PROTOKOLL ANHALTEN</translation>
    </message>
</context>
<context>
    <name>TEditForm</name>
    <message>
        <source>Edit values</source>
        <translation>Werte bearbeiten</translation>
    </message>
    <message>
        <source>Enter target fan speed in %:</source>
        <translation>Soll-Lüfterdrehzahl in % eingeben:</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Edit values for zone:</source>
        <translation>Werte bearbeiten für Zone:</translation>
    </message>
    <message>
        <source>Enter IR power preselection (0..5):</source>
        <translation>IR-Leistungsvorwahl eingeben (0..5):</translation>
    </message>
    <message>
        <source>Enter target temperature in °C:</source>
        <translation>Solltemperatur in °C eingeben:</translation>
    </message>
    <message>
        <source>Enter target chain speed in cm/min:</source>
        <translation>Soll-Kettengeschwindigkeit in cm/min eingeben:</translation>
    </message>
    <message>
        <source>Allowed: %1 to %2%3</source>
        <translation>Erlaubt: %1 bis %2%3</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a whole number.</source>
        <translation>&quot;%1&quot; ist keine ganze Zahl.</translation>
    </message>
    <message>
        <source>%1%2 is outside the range the machine accepts.</source>
        <translation>%1%2 liegt außerhalb des Bereichs, den die Maschine annimmt.</translation>
    </message>
</context>
<context>
    <name>TKanalInfo</name>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
</context>
<context>
    <name>TLanguageDialog</name>
    <message>
        <source>Select Language</source>
        <translation>Sprache auswählen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>TLogForm</name>
    <message>
        <source>Application started on %1</source>
        <translation>Programm gestartet am %1</translation>
    </message>
    <message>
        <source>%1  %2=%3°C (%4%) | %5°C (%6%),</source>
        <translation>%1  %2=%3°C (%4%) | %5°C (%6%),</translation>
    </message>
    <message>
        <source>%1  %2=%3 (%4%),</source>
        <translation>%1  %2=%3 (%4%),</translation>
    </message>
    <message>
        <source>%1  %2=%3°C | %4°C,</source>
        <translation>%1  %2=%3°C | %4°C,</translation>
    </message>
    <message>
        <source>%1  %2=%3 cm/min | %4 cm/min,</source>
        <translation>%1  %2=%3 cm/min | %4 cm/min,</translation>
    </message>
    <message>
        <source>%1  Heater=%2,</source>
        <translation>%1  Heizung=%2,</translation>
    </message>
    <message>
        <source>On</source>
        <translation>Ein</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Bereit</translation>
    </message>
    <message>
        <source>Hood open / Emergency off</source>
        <translation>Haube offen / Not-Aus</translation>
    </message>
    <message>
        <source>Not Ready</source>
        <translation>Nicht bereit</translation>
    </message>
    <message>
        <source>%1  Machine state=%2,</source>
        <translation>%1  Maschinenstatus=%2,</translation>
    </message>
    <message>
        <source>Do you really want to clear the current log?</source>
        <translation>Möchten Sie das aktuelle Protokoll wirklich löschen?</translation>
    </message>
    <message>
        <source>Log files (*.log)</source>
        <translation>Protokolldateien (*.log)</translation>
    </message>
    <message>
        <source>All files (*.*)</source>
        <translation>Alle Dateien (*.*)</translation>
    </message>
    <message>
        <source>Save log</source>
        <translation>Protokoll speichern</translation>
    </message>
    <message>
        <source>The selected log file already exists.
Do you want to continue and overwrite this file?</source>
        <translation>Die ausgewählte Protokolldatei ist bereits vorhanden.
Möchten Sie fortfahren und diese Datei überschreiben?</translation>
    </message>
    <message>
        <source>The log could not be saved to &quot;%1&quot;.
%2</source>
        <translation>Das Protokoll konnte nicht unter &quot;%1&quot; gespeichert werden.
%2</translation>
    </message>
    <message>
        <source>Print preview</source>
        <translation>Druckvorschau</translation>
    </message>
    <message>
        <source>The log could not be printed.</source>
        <translation>Das Protokoll konnte nicht gedruckt werden.</translation>
    </message>
    <message>
        <source>System Log</source>
        <translation>Systemprotokoll</translation>
    </message>
    <message>
        <source>Logging</source>
        <translation>Protokollierung</translation>
    </message>
    <message>
        <source>Stop system logging</source>
        <translation>Systemprotokollierung beenden</translation>
    </message>
    <message>
        <source>Start system logging</source>
        <translation>Systemprotokollierung starten</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Clear log</source>
        <translation>Protokoll löschen</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Drucken</translation>
    </message>
    <message>
        <source>Print log</source>
        <translation>Protokoll drucken</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Select logging interval:</source>
        <translation>Protokollintervall wählen:</translation>
    </message>
    <message>
        <source>%1 min.</source>
        <translation>%1 Min.</translation>
    </message>
    <message>
        <source>The log cannot be written to its daily file: %1
The lines are kept and written once it works again.</source>
        <translation>Das Protokoll kann nicht in die Tagesdatei geschrieben werden: %1
Die Zeilen bleiben erhalten und werden geschrieben, sobald es wieder möglich ist.</translation>
    </message>
</context>
<context>
    <name>TMachine</name>
    <message>
        <source>permission denied</source>
        <translation>Zugriff verweigert</translation>
    </message>
    <message>
        <source>in use by another program</source>
        <translation>von einem anderen Programm belegt</translation>
    </message>
    <message>
        <source>cannot be opened</source>
        <translation>kann nicht geöffnet werden</translation>
    </message>
    <message>
        <source>Connected on %1</source>
        <translation>Verbunden über %1</translation>
    </message>
    <message>
        <source>the machine answered</source>
        <translation>die Maschine hat geantwortet</translation>
    </message>
    <message>
        <source>opened, no answer to the handshake</source>
        <translation>geöffnet, keine Antwort auf die Anmeldung</translation>
    </message>
    <message>
        <source>opened, the answer is not a machine&apos;s: %1</source>
        <translation>geöffnet, die Antwort kommt nicht von einer Maschine: %1</translation>
    </message>
    <message>
        <source>not present</source>
        <translation>nicht vorhanden</translation>
    </message>
    <message>
        <source>Port %1: %2</source>
        <translation>Schnittstelle %1: %2</translation>
    </message>
    <message>
        <source>Cannot open %1: %2.</source>
        <translation>%1 kann nicht geöffnet werden: %2.</translation>
    </message>
    <message>
        <source>The user must be in the group &quot;dialout&quot; and log in again.</source>
        <translation>Der Benutzer muss Mitglied der Gruppe „dialout“ sein und sich neu anmelden.</translation>
    </message>
    <message>
        <source>Another program holds the port; close it or choose another port.</source>
        <translation>Ein anderes Programm belegt die Schnittstelle; beenden Sie es oder wählen Sie eine andere Schnittstelle.</translation>
    </message>
    <message>
        <source>Reply of the machine not understood: %1</source>
        <translation>Antwort der Maschine nicht verstanden: %1</translation>
    </message>
    <message>
        <source>Discarded: %1</source>
        <translation>Verworfen: %1</translation>
    </message>
    <message>
        <source>Connected with %1</source>
        <translation>Verbunden mit %1</translation>
    </message>
    <message>
        <source>Connection lost</source>
        <translation>Verbindung unterbrochen</translation>
    </message>
    <message>
        <source>Preheat 1</source>
        <translation>Vorheizung 1</translation>
    </message>
    <message>
        <source>Preheat 2</source>
        <translation>Vorheizung 2</translation>
    </message>
    <message>
        <source>Peak</source>
        <translation>Peakzone</translation>
    </message>
    <message>
        <source>Underground</source>
        <translation>Unterheizung</translation>
    </message>
    <message>
        <source>Cooling 1</source>
        <translation>Kühlzone 1</translation>
    </message>
    <message>
        <source>Cooling 2</source>
        <translation>Kühlzone 2</translation>
    </message>
    <message>
        <source>Transfer</source>
        <translation>Transport</translation>
    </message>
    <message>
        <source>Heater</source>
        <translation>Heizung</translation>
    </message>
    <message>
        <source>Convection</source>
        <translation>Konvektion</translation>
    </message>
    <message>
        <source>Infrared</source>
        <translation>Infrarot</translation>
    </message>
    <message>
        <source>Infrared 1</source>
        <translation>Infrarot 1</translation>
    </message>
    <message>
        <source>Infrared 2</source>
        <translation>Infrarot 2</translation>
    </message>
    <message>
        <source>%1 actual (°C)</source>
        <translation>%1 Ist (°C)</translation>
    </message>
    <message>
        <source>%1 target (°C)</source>
        <translation>%1 Soll (°C)</translation>
    </message>
    <message>
        <source>%1 fan (%)</source>
        <translation>%1 Lüfter (%)</translation>
    </message>
    <message>
        <source>%1 speed (cm/min)</source>
        <translation>%1 Geschwindigkeit (cm/min)</translation>
    </message>
    <message>
        <source>Hood open / Emergency off</source>
        <translation>Haube offen / Not-Aus</translation>
    </message>
    <message>
        <source>%1: error</source>
        <translation>%1: Fehler</translation>
    </message>
    <message>
        <source>%1: not in order</source>
        <translation>%1: nicht in Ordnung</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Bereit</translation>
    </message>
    <message>
        <source>Not Ready</source>
        <translation>Nicht bereit</translation>
    </message>
    <message>
        <source>Machine state: %1</source>
        <translation>Maschinenstatus: %1</translation>
    </message>
    <message>
        <source>Machine state: %1 (%2)</source>
        <translation>Maschinenstatus: %1 (%2)</translation>
    </message>
    <message>
        <source>Machine ready</source>
        <translation>Maschine bereit</translation>
    </message>
    <message>
        <source>Machine not ready</source>
        <translation>Maschine nicht bereit</translation>
    </message>
    <message>
        <source>Hood closed, emergency off cleared</source>
        <translation>Haube geschlossen, Not-Aus aufgehoben</translation>
    </message>
    <message>
        <source>%1: in order</source>
        <translation>%1: in Ordnung</translation>
    </message>
    <message>
        <source>%1: error cleared</source>
        <translation>%1: Fehler behoben</translation>
    </message>
    <message>
        <source>Channel %1</source>
        <translation>Kanal %1</translation>
    </message>
    <message>
        <source>IR power %1</source>
        <translation>IR-Leistung %1</translation>
    </message>
    <message>
        <source>target %1 °C</source>
        <translation>Soll %1 °C</translation>
    </message>
    <message>
        <source>fan %1 %</source>
        <translation>Lüfter %1 %</translation>
    </message>
    <message>
        <source>speed %1 cm/min</source>
        <translation>Geschwindigkeit %1 cm/min</translation>
    </message>
    <message>
        <source>Sent: %1</source>
        <translation>Gesendet: %1</translation>
    </message>
    <message>
        <source>Machine error %1</source>
        <translation>Maschinenfehler %1</translation>
    </message>
    <message>
        <source>Machine error %1 cleared</source>
        <translation>Maschinenfehler %1 behoben</translation>
    </message>
    <message>
        <source>Auto-heater</source>
        <translation>Auto-Heizung</translation>
    </message>
    <message>
        <source>on</source>
        <translation>ein</translation>
    </message>
    <message>
        <source>off</source>
        <translation>aus</translation>
    </message>
</context>
<context>
    <name>TMainWindow</name>
    <message>
        <source>No alternative language found!</source>
        <translation>Keine weitere Sprache gefunden!</translation>
    </message>
    <message>
        <source>VARD - KEL Solderingsystem</source>
        <translation>VARD - KEL Lötsystem</translation>
    </message>
    <message>
        <source>1.2.1</source>
        <translation>1.2.1</translation>
    </message>
    <message>
        <source>Graphic view</source>
        <translation>Grafikansicht</translation>
    </message>
    <message>
        <source>Textual view</source>
        <translation>Textansicht</translation>
    </message>
    <message>
        <source>Schematic view</source>
        <translation>Schemaansicht</translation>
    </message>
    <message>
        <source>Not available in standard version</source>
        <translation>Nicht in der Standardversion</translation>
    </message>
    <message>
        <source>Send Values</source>
        <translation>Werte senden</translation>
    </message>
    <message>
        <source>Heater</source>
        <translation>Heizung</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>Transport</translation>
    </message>
    <message>
        <source>Connect:</source>
        <translation>Verbindung:</translation>
    </message>
    <message>
        <source>Operation time</source>
        <translation>Betriebszeit</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Profiles</source>
        <translation>Profile</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Measure</source>
        <translation>Messung</translation>
    </message>
    <message>
        <source>Start measurement</source>
        <translation>Messung starten</translation>
    </message>
    <message>
        <source>Call Tavo</source>
        <translation>Tavo aufrufen</translation>
    </message>
    <message>
        <source>Extras</source>
        <translation>Extras</translation>
    </message>
    <message>
        <source>Machine Options</source>
        <translation>Maschinenoptionen</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Machine log</source>
        <translation>Maschinenprotokoll</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Sprache</translation>
    </message>
    <message>
        <source>Debug</source>
        <translation>Debug</translation>
    </message>
    <message>
        <source>Debug Apllication</source>
        <translation>Programm debuggen</translation>
    </message>
    <message>
        <source>Calculate Checksum</source>
        <translation>Prüfsumme berechnen</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>About Vard</source>
        <translation>Über Vard</translation>
    </message>
    <message>
        <source>About KEL</source>
        <translation>Über KEL</translation>
    </message>
    <message>
        <source>Scanning ...</source>
        <translation>Suche ...</translation>
    </message>
    <message>
        <source>%1 %</source>
        <translation>%1 %</translation>
    </message>
    <message>
        <source>%1°C</source>
        <translation>%1°C</translation>
    </message>
    <message>
        <source>%1 cm/min</source>
        <translation>%1 cm/min</translation>
    </message>
    <message>
        <source>Machine is not connected!</source>
        <translation>Maschine ist nicht verbunden!</translation>
    </message>
    <message>
        <source>Machine state</source>
        <translation>Maschinenstatus</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Bereit</translation>
    </message>
    <message>
        <source>Hood open / Emergency off</source>
        <translation>Haube offen / Not-Aus</translation>
    </message>
    <message>
        <source>Not Ready</source>
        <translation>Nicht bereit</translation>
    </message>
    <message>
        <source>Underground</source>
        <translation>Unterheizung</translation>
    </message>
    <message>
        <source>Transfer</source>
        <translation>Transport</translation>
    </message>
    <message>
        <source>  %1°C</source>
        <translation>  %1°C</translation>
    </message>
    <message>
        <source>Target</source>
        <translation>Soll</translation>
    </message>
    <message>
        <source>Actual</source>
        <translation>Ist</translation>
    </message>
    <message>
        <source>IR power preselection</source>
        <translation>IR-Leistungsvorwahl</translation>
    </message>
    <message>
        <source>  %1 (%2%)</source>
        <translation>  %1 (%2%)</translation>
    </message>
    <message>
        <source>Setting Fan</source>
        <translation>Lüfter Soll</translation>
    </message>
    <message>
        <source>  %1%</source>
        <translation>  %1%</translation>
    </message>
    <message>
        <source>Actual Fan</source>
        <translation>Lüfter Ist</translation>
    </message>
    <message>
        <source>Target Speed</source>
        <translation>Geschw. Soll</translation>
    </message>
    <message>
        <source>  %1 cm/min</source>
        <translation>  %1 cm/min</translation>
    </message>
    <message>
        <source>Actual Speed</source>
        <translation>Geschw. Ist</translation>
    </message>
    <message>
        <source>On</source>
        <translation>Ein</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>Soll</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Do you really want to quit the application?</source>
        <translation>Möchten Sie das Programm wirklich beenden?</translation>
    </message>
    <message>
        <source>Zone trend</source>
        <translation>Zonenverlauf</translation>
    </message>
    <message>
        <source>1 value waits to be sent to the machine</source>
        <translation>1 Wert wartet darauf, an die Maschine gesendet zu werden</translation>
    </message>
    <message>
        <source>%1 values wait to be sent to the machine</source>
        <translation>%1 Werte warten darauf, an die Maschine gesendet zu werden</translation>
    </message>
    <message>
        <source>The heater&apos;s state has not been read from the machine yet. Try again in a moment.</source>
        <translation>Der Zustand der Heizung wurde noch nicht von der Maschine gelesen. Bitte versuchen Sie es gleich noch einmal.</translation>
    </message>
    <message>
        <source>1 changed value has not been sent to the machine.</source>
        <translation>1 geänderter Wert wurde noch nicht an die Maschine gesendet.</translation>
    </message>
    <message>
        <source>%1 changed values have not been sent to the machine.</source>
        <translation>%1 geänderte Werte wurden noch nicht an die Maschine gesendet.</translation>
    </message>
</context>
<context>
    <name>TMeasForm</name>
    <message>
        <source>Info</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>There is no machine connected. Cannot start measurement!</source>
        <translation>Es ist keine Maschine verbunden. Die Messung kann nicht gestartet werden!</translation>
    </message>
    <message>
        <source>PLEASE NOTE: While measuring, maschine state may not be refreshed properly!</source>
        <translation>BITTE BEACHTEN: Während der Messung wird der Maschinenstatus eventuell nicht richtig aktualisiert!</translation>
    </message>
    <message>
        <source>Do you really want to delete the current maeasurement data?</source>
        <translation>Möchten Sie die aktuellen Messdaten wirklich löschen?</translation>
    </message>
    <message>
        <source>Temperature measurement</source>
        <translation>Temperaturmessung</translation>
    </message>
    <message>
        <source>Start measurement</source>
        <translation>Messung starten</translation>
    </message>
    <message>
        <source>Stop measurement</source>
        <translation>Messung stoppen</translation>
    </message>
    <message>
        <source>Clear measurement</source>
        <translation>Messung löschen</translation>
    </message>
    <message>
        <source>Save measurement</source>
        <translation>Messung speichern</translation>
    </message>
    <message>
        <source>Select interval:</source>
        <translation>Intervall wählen:</translation>
    </message>
    <message>
        <source>500 ms</source>
        <translation>500 ms</translation>
    </message>
    <message>
        <source>1 sec</source>
        <translation>1 Sek.</translation>
    </message>
    <message>
        <source>2 sec</source>
        <translation>2 Sek.</translation>
    </message>
    <message>
        <source>5 sec</source>
        <translation>5 Sek.</translation>
    </message>
    <message>
        <source>Data</source>
        <translation>Daten</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Beschreibung</translation>
    </message>
    <message>
        <source>Title:</source>
        <translation>Titel:</translation>
    </message>
    <message>
        <source>User name:</source>
        <translation>Benutzername:</translation>
    </message>
    <message>
        <source>Measurement info:</source>
        <translation>Messinformation:</translation>
    </message>
    <message>
        <source>The measurement cannot be kept safe against a crash: %1
It is recorded, but lost if the program ends before it is saved.</source>
        <translation>Die Messung kann nicht gegen einen Absturz gesichert werden: %1
Sie wird aufgezeichnet, geht aber verloren, wenn das Programm vor dem Speichern endet.</translation>
    </message>
    <message>
        <source>Temperature measurement running</source>
        <translation>Temperaturmessung läuft</translation>
    </message>
    <message>
        <source>The measurement has not been saved. Do you want to delete it anyway?</source>
        <translation>Die Messung wurde nicht gespeichert. Möchten Sie sie trotzdem löschen?</translation>
    </message>
    <message>
        <source>Process window:</source>
        <translation>Prozessfenster:</translation>
    </message>
    <message>
        <source>Edit...</source>
        <translation>Bearbeiten...</translation>
    </message>
    <message>
        <source>Print preview</source>
        <translation>Druckvorschau</translation>
    </message>
    <message>
        <source>Print...</source>
        <translation>Drucken...</translation>
    </message>
    <message>
        <source>Figure</source>
        <translation>Kennwert</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wert</translation>
    </message>
    <message>
        <source>Lower limit</source>
        <translation>Untergrenze</translation>
    </message>
    <message>
        <source>Upper limit</source>
        <translation>Obergrenze</translation>
    </message>
    <message>
        <source>(none)</source>
        <translation>(keines)</translation>
    </message>
    <message>
        <source>in</source>
        <translation>i.O.</translation>
    </message>
    <message>
        <source>out</source>
        <translation>n.i.O.</translation>
    </message>
    <message>
        <source>Process Window Index: %1</source>
        <translation>Prozessfenster-Index: %1</translation>
    </message>
    <message>
        <source>The measurement cannot be kept safe against a crash: %1</source>
        <translation>Die Messung kann nicht gegen einen Absturz gesichert werden: %1</translation>
    </message>
    <message>
        <source>The measurement has not been saved. Do you want to quit anyway?
It will be offered for restoring at the next start.</source>
        <translation>Die Messung wurde nicht gespeichert. Möchten Sie das Programm trotzdem beenden?
Sie wird beim nächsten Start zur Wiederherstellung angeboten.</translation>
    </message>
    <message>
        <source>Unsaved measurement</source>
        <translation>Nicht gespeicherte Messung</translation>
    </message>
    <message numerus="yes">
        <source>A measurement of %1 with %n sample(s) was not saved when the program ended. Restore it?</source>
        <translation>
            <numerusform>Eine Messung vom %1 mit %n Messwert wurde beim Beenden des Programms nicht gespeichert. Wiederherstellen?</numerusform>
            <numerusform>Eine Messung vom %1 mit %n Messwerten wurde beim Beenden des Programms nicht gespeichert. Wiederherstellen?</numerusform>
        </translation>
    </message>
    <message>
        <source>A measurement that was not saved cannot be restored: %1</source>
        <translation>Eine nicht gespeicherte Messung kann nicht wiederhergestellt werden: %1</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Wiederherstellen</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>Verwerfen</translation>
    </message>
    <message>
        <source>Not now</source>
        <translation>Nicht jetzt</translation>
    </message>
    <message>
        <source>The measurement cannot be restored: %1</source>
        <translation>Die Messung kann nicht wiederhergestellt werden: %1</translation>
    </message>
    <message>
        <source>Measurement started</source>
        <translation>Messung gestartet</translation>
    </message>
    <message>
        <source>Measurement stopped</source>
        <translation>Messung gestoppt</translation>
    </message>
    <message>
        <source>An earlier measurement that was not saved is still kept for restoring. Starting a new measurement discards it. Start anyway?</source>
        <translation>Eine frühere, nicht gespeicherte Messung wird noch zur Wiederherstellung aufbewahrt. Eine neue Messung verwirft sie. Trotzdem starten?</translation>
    </message>
    <message>
        <source>The measurement has not been saved. Do you want to quit anyway?
It will be lost.</source>
        <translation>Die Messung wurde nicht gespeichert. Möchten Sie das Programm trotzdem beenden?
Sie geht dabei verloren.</translation>
    </message>
    <message>
        <source>This machine type has no measuring channel: no readings will come.</source>
        <translation>Dieser Maschinentyp hat keinen Messkanal: Es kommen keine Messwerte.</translation>
    </message>
    <message>
        <source>No readings since %1 — the machine does not answer</source>
        <translation>Keine Messwerte seit %1 — die Maschine antwortet nicht</translation>
    </message>
    <message>
        <source>Not given: the machine gave no readings for %1 s during this stretch</source>
        <translation>Nicht angegeben: Die Maschine lieferte in diesem Abschnitt %1 s lang keine Messwerte</translation>
    </message>
    <message>
        <source>From reaching %1 to reaching %2 on the way up</source>
        <translation>Vom Erreichen von %1 bis zum Erreichen von %2 beim Aufheizen</translation>
    </message>
    <message>
        <source>Run %1 of %2</source>
        <translation>Lauf %1 von %2</translation>
    </message>
</context>
<context>
    <name>TMeasValuesModel</name>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Temperatur</translation>
    </message>
</context>
<context>
    <name>TMessungInfo</name>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Measurement info</source>
        <translation>Messinformation</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>Labeling</source>
        <translation>Bezeichnung</translation>
    </message>
    <message>
        <source>User sign</source>
        <translation>Benutzerkürzel</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>Measurement data</source>
        <translation>Messdaten</translation>
    </message>
    <message>
        <source>Genuine value</source>
        <translation>Echtwert</translation>
    </message>
    <message>
        <source>Cannot access file &quot;%1&quot; !</source>
        <translation>Zugriff auf die Datei &quot;%1&quot; nicht möglich!</translation>
    </message>
    <message>
        <source>Error writing to file &quot;%1&quot;.</source>
        <translation>Fehler beim Schreiben in die Datei &quot;%1&quot;.</translation>
    </message>
</context>
<context>
    <name>TOptionsForm</name>
    <message>
        <source>Set machine options</source>
        <translation>Maschinenoptionen einstellen</translation>
    </message>
    <message>
        <source>Machine Options</source>
        <translation>Maschinenoptionen</translation>
    </message>
    <message>
        <source>AutoHeater (Set for heater to be turned on after machine startup)</source>
        <translation>Auto-Heizung (Heizung nach dem Maschinenstart automatisch einschalten)</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>TProcessWindowForm</name>
    <message>
        <source>A limit is not a number.</source>
        <translation>Ein Grenzwert ist keine Zahl.</translation>
    </message>
    <message>
        <source>Please enter a name for the process window.</source>
        <translation>Bitte geben Sie einen Namen für das Prozessfenster ein.</translation>
    </message>
    <message>
        <source>Do you really want to erase the process window &quot;%1&quot;?</source>
        <translation>Möchten Sie das Prozessfenster &quot;%1&quot; wirklich löschen?</translation>
    </message>
    <message>
        <source>Process window</source>
        <translation>Prozessfenster</translation>
    </message>
    <message>
        <source>Name:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Liquidus:</source>
        <translation>Liquidus:</translation>
    </message>
    <message>
        <source>Soak band:</source>
        <translation>Haltezone:</translation>
    </message>
    <message>
        <source>Slope over:</source>
        <translation>Steigung über:</translation>
    </message>
    <message>
        <source>Lower limit</source>
        <translation>Untergrenze</translation>
    </message>
    <message>
        <source>Upper limit</source>
        <translation>Obergrenze</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Erase</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>TProfileForm</name>
    <message>
        <source>Manage profiles</source>
        <translation>Profile verwalten</translation>
    </message>
    <message>
        <source>Stored Profiles</source>
        <translation>Gespeicherte Profile</translation>
    </message>
    <message>
        <source>Profile name:</source>
        <translation>Profilname:</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>Laden</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Erase</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Error in profile file!</source>
        <translation>Fehler in der Profildatei!</translation>
    </message>
    <message>
        <source>Cannot read &quot;%1&quot;: %2</source>
        <translation>&quot;%1&quot; kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>Profile loaded: %1</source>
        <translation>Profil geladen: %1</translation>
    </message>
    <message>
        <source>Profile saved: %1</source>
        <translation>Profil gespeichert: %1</translation>
    </message>
    <message>
        <source>The machine&apos;s values have not all been read yet. Try again in a moment.</source>
        <translation>Die Werte der Maschine sind noch nicht alle gelesen. Bitte versuchen Sie es gleich noch einmal.</translation>
    </message>
</context>
<context>
    <name>TSettingsForm</name>
    <message>
        <source> Serial port </source>
        <translation> Serielle Schnittstelle </translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Search all ports</source>
        <translation>Alle Schnittstellen durchsuchen</translation>
    </message>
    <message>
        <source>%1 (not present)</source>
        <translation>%1 (nicht vorhanden)</translation>
    </message>
    <message>
        <source>Program options</source>
        <translation>Programmoptionen</translation>
    </message>
    <message>
        <source> Tavo Program Path </source>
        <translation> Tavo-Programmpfad </translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Durchsuchen</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Programs (*.exe)</source>
        <translation>Programme (*.exe)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>The program path must not contain a line break or a NUL character.</source>
        <translation>Der Programmpfad darf keinen Zeilenumbruch und kein NUL-Zeichen enthalten.</translation>
    </message>
    <message>
        <source>The program path contains characters that the settings file cannot hold: %1
Please choose a path without them.</source>
        <translation>Der Programmpfad enthält Zeichen, die die Einstellungsdatei nicht aufnehmen kann: %1
Bitte wählen Sie einen Pfad ohne diese Zeichen.</translation>
    </message>
    <message>
        <source> Line messaging (CFX) </source>
        <translation> Linienkommunikation (CFX) </translation>
    </message>
    <message>
        <source>Settings…</source>
        <translation>Einstellungen…</translation>
    </message>
</context>
<context>
    <name>TTrendChart</name>
    <message>
        <source>No history yet</source>
        <translation>Noch kein Verlauf vorhanden</translation>
    </message>
    <message>
        <source>No samples in this time span</source>
        <translation>Keine Messwerte in diesem Zeitraum</translation>
    </message>
    <message>
        <source>°C</source>
        <translation>°C</translation>
    </message>
</context>
<context>
    <name>TZone</name>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
</context>
<context>
    <name>TZoneTrendForm</name>
    <message>
        <source>%1 actual</source>
        <translation>%1 Ist</translation>
    </message>
    <message>
        <source>%1 target</source>
        <translation>%1 Soll</translation>
    </message>
    <message>
        <source>Export zone history</source>
        <translation>Zonenverlauf exportieren</translation>
    </message>
    <message>
        <source>CSV (*.csv)</source>
        <translation>CSV-Dateien (*.csv)</translation>
    </message>
    <message>
        <source>Zone trend</source>
        <translation>Zonenverlauf</translation>
    </message>
    <message>
        <source>Zones:</source>
        <translation>Zonen:</translation>
    </message>
    <message>
        <source>Time span:</source>
        <translation>Zeitraum:</translation>
    </message>
    <message>
        <source>10 min</source>
        <translation>10 Min.</translation>
    </message>
    <message>
        <source>1 h</source>
        <translation>1 Std.</translation>
    </message>
    <message>
        <source>8 h</source>
        <translation>8 Std.</translation>
    </message>
    <message>
        <source>24 h</source>
        <translation>24 Std.</translation>
    </message>
    <message>
        <source>Export CSV...</source>
        <translation>CSV exportieren...</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Line messaging not started: %1</source>
        <translation>Linienkommunikation nicht gestartet: %1</translation>
    </message>
</context>
<context>
    <name>vard</name>
    <message>
        <source>Date and time</source>
        <translation>Datum und Uhrzeit</translation>
    </message>
    <message>
        <source>Time (s)</source>
        <translation>Zeit (s)</translation>
    </message>
    <message>
        <source>Channel %1</source>
        <translation>Kanal %1</translation>
    </message>
    <message>
        <source>Temperature measurement</source>
        <translation>Temperaturmessung</translation>
    </message>
    <message>
        <source>User: %1</source>
        <translation>Benutzer: %1</translation>
    </message>
    <message>
        <source>Date: %1</source>
        <translation>Datum: %1</translation>
    </message>
    <message>
        <source>none</source>
        <translation>keines</translation>
    </message>
    <message>
        <source>Process window: %1</source>
        <translation>Prozessfenster: %1</translation>
    </message>
    <message>
        <source>Figure</source>
        <translation>Kennwert</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wert</translation>
    </message>
    <message>
        <source>Lower limit</source>
        <translation>Untergrenze</translation>
    </message>
    <message>
        <source>Upper limit</source>
        <translation>Obergrenze</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>in</source>
        <translation>i.O.</translation>
    </message>
    <message>
        <source>OUT</source>
        <translation>n.i.O.</translation>
    </message>
    <message>
        <source>Process Window Index: %1</source>
        <translation>Prozessfenster-Index: %1</translation>
    </message>
    <message>
        <source>Cannot write the report to &quot;%1&quot;.</source>
        <translation>Der Bericht kann nicht unter &quot;%1&quot; gespeichert werden.</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Temperatur</translation>
    </message>
</context>
<context>
    <name>vard::Figures</name>
    <message>
        <source>Peak temperature</source>
        <translation>Spitzentemperatur</translation>
    </message>
    <message>
        <source>Time above liquidus</source>
        <translation>Zeit über Liquidus</translation>
    </message>
    <message>
        <source>Soak time</source>
        <translation>Haltezeit</translation>
    </message>
    <message>
        <source>Max. rise</source>
        <translation>Max. Anstieg</translation>
    </message>
    <message>
        <source>Max. fall</source>
        <translation>Max. Abfall</translation>
    </message>
    <message>
        <source>Time to peak</source>
        <translation>Zeit bis zur Spitze</translation>
    </message>
    <message>
        <source>Cool-down to 100 °C</source>
        <translation>Abkühlung auf 100 °C</translation>
    </message>
</context>
<context>
    <name>vard::ProcessWindow</name>
    <message>
        <source>a process window needs a name</source>
        <translation>ein Prozessfenster benötigt einen Namen</translation>
    </message>
</context>
</TS>
