<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CAboutDialog</name>
    <message>
        <source>About %1</source>
        <translation>Über %1</translation>
    </message>
    <message>
        <source>%1 Version %2</source>
        <translation>%1 Version %2</translation>
    </message>
    <message>
        <source>Website:</source>
        <translation>Webseite:</translation>
    </message>
    <message>
        <source>Email:</source>
        <translation>E-Mail:</translation>
    </message>
</context>
<context>
    <name>CAddFolderDlg</name>
    <message>
        <source>Add Folder</source>
        <translation>Ordner hinzufügen</translation>
    </message>
    <message>
        <source>Select a folder to add all web files under it to the list</source>
        <translation>Wählen Sie einen Ordner, um alle Webdateien darin der Liste hinzuzufügen</translation>
    </message>
    <message>
        <source>&amp;Folder:</source>
        <translation>Or&amp;dner:</translation>
    </message>
    <message>
        <source>Select Folder</source>
        <translation>Ordner wählen</translation>
    </message>
    <message>
        <source>&amp;Recursive add sub folders</source>
        <translation>&amp;Unterordner einbeziehen</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
</context>
<context>
    <name>CAddProgress</name>
    <message>
        <source>%1 files added</source>
        <translation>%1 Dateien hinzugefügt</translation>
    </message>
</context>
<context>
    <name>CAddUserDlg</name>
    <message>
        <source>Input information of the user here, user name and password is required.</source>
        <translation>Geben Sie hier die Angaben zum Benutzer ein; Benutzername und Passwort sind erforderlich.</translation>
    </message>
    <message>
        <source>Generate a random password</source>
        <translation>Ein zufälliges Passwort erzeugen</translation>
    </message>
    <message>
        <source>Mail the account information to this address</source>
        <translation>Die Zugangsdaten an diese Adresse senden</translation>
    </message>
    <message>
        <source>&amp;User Name:</source>
        <translation>&amp;Benutzername:</translation>
    </message>
    <message>
        <source>&amp;Password:</source>
        <translation>&amp;Passwort:</translation>
    </message>
    <message>
        <source>&amp;Full Name:</source>
        <translation>&amp;Vollständiger Name:</translation>
    </message>
    <message>
        <source>&amp;Email:</source>
        <translation>&amp;E-Mail:</translation>
    </message>
    <message>
        <source>&amp;Description:</source>
        <translation>Beschreib&amp;ung:</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Add User</source>
        <translation>Benutzer hinzufügen</translation>
    </message>
    <message>
        <source>The user name and password can&apos;t be empty!</source>
        <translation>Benutzername und Passwort dürfen nicht leer sein!</translation>
    </message>
    <message>
        <source>Your account information</source>
        <translation>Ihre Zugangsdaten</translation>
    </message>
    <message>
        <source>User Name: %1 Password: %2</source>
        <translation>Benutzername: %1 Passwort: %2</translation>
    </message>
    <message>
        <source>Send mail failure!
No mail program or no default mail program on your operation system.</source>
        <translation>Die E-Mail konnte nicht gesendet werden!
Auf Ihrem System ist kein E-Mail-Programm oder kein Standard-E-Mail-Programm eingerichtet.</translation>
    </message>
</context>
<context>
    <name>CCreateTemplateDlg</name>
    <message>
        <source>Create Template</source>
        <translation>Vorlage erstellen</translation>
    </message>
    <message>
        <source>&amp;Template Name:</source>
        <translation>&amp;Name der Vorlage:</translation>
    </message>
    <message>
        <source>&amp;Based on:</source>
        <translation>&amp;Basiert auf:</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
</context>
<context>
    <name>CDesktopApplications</name>
    <message>
        <source>no program was chosen</source>
        <translation>es wurde kein Programm gewählt</translation>
    </message>
</context>
<context>
    <name>CFilePropertiesDialog</name>
    <message>
        <source>%1 Properties</source>
        <translation>Eigenschaften von %1</translation>
    </message>
    <message>
        <source>(the file does not exist)</source>
        <translation>(die Datei existiert nicht)</translation>
    </message>
    <message>
        <source>Name:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Type:</source>
        <translation>Typ:</translation>
    </message>
    <message>
        <source>Folder:</source>
        <translation>Ordner:</translation>
    </message>
    <message>
        <source>Size:</source>
        <translation>Größe:</translation>
    </message>
    <message>
        <source>Modified:</source>
        <translation>Geändert:</translation>
    </message>
    <message>
        <source>Accessed:</source>
        <translation>Letzter Zugriff:</translation>
    </message>
    <message>
        <source>Permissions:</source>
        <translation>Berechtigungen:</translation>
    </message>
    <message>
        <source>Owner:</source>
        <translation>Eigentümer:</translation>
    </message>
    <message>
        <source>%1, group %2</source>
        <translation>%1, Gruppe %2</translation>
    </message>
    <message>
        <source>%1 bytes (%2)</source>
        <translation>%1 Bytes (%2)</translation>
    </message>
</context>
<context>
    <name>CFileTypes</name>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>%1 File</source>
        <translation>%1-Datei</translation>
    </message>
</context>
<context>
    <name>CHelpTopics</name>
    <message>
        <source>open the help page</source>
        <translation>Öffnen der Hilfeseite</translation>
    </message>
</context>
<context>
    <name>CHyperlinkLabel</name>
    <message>
        <source>Send mail failure!
No mail program or no default mail program on your operation system.</source>
        <translation>Die E-Mail konnte nicht gesendet werden!
Auf Ihrem System ist kein E-Mail-Programm oder kein Standard-E-Mail-Programm eingerichtet.</translation>
    </message>
</context>
<context>
    <name>CMainFrame</name>
    <message>
        <source>Nothing was protected: %1</source>
        <translation>Nichts wurde geschützt: %1</translation>
    </message>
    <message>
        <source>The run was cancelled. </source>
        <translation>Der Lauf wurde abgebrochen. </translation>
    </message>
    <message>
        <source>%1 protected, %2 failed, %3 skipped</source>
        <translation>%1 geschützt, %2 fehlgeschlagen, %3 übersprungen</translation>
    </message>
    <message>
        <source>, %1 not processed</source>
        <translation>, %1 nicht bearbeitet</translation>
    </message>
    <message>
        <source> — see the Result page.</source>
        <translation> – siehe Seite „Ergebnis“.</translation>
    </message>
    <message>
        <source>Page format: strong.</source>
        <translation>Seitenformat: strong.</translation>
    </message>
    <message>
        <source>Page format: classic.</source>
        <translation>Seitenformat: classic.</translation>
    </message>
    <message>
        <source>The backups (*.original) were written beside the pages. Do not upload them: a web server hands them out unprotected.</source>
        <translation>Die Sicherungen (*.original) liegen neben den Seiten. Laden Sie sie nicht hoch: Ein Webserver gibt sie ungeschützt heraus.</translation>
    </message>
    <message>
        <source>%1 other file(s) of the site enciphered, %2 failed (see the Result page).</source>
        <translation>%1 weitere Datei(en) der Website verschlüsselt, %2 fehlgeschlagen (siehe Seite „Ergebnis“).</translation>
    </message>
    <message>
        <source>Share links open pages of the strong format: protect the pages in it first.</source>
        <translation>Freigabelinks öffnen Seiten im starken Format: Schützen Sie die Seiten zuerst in diesem Format.</translation>
    </message>
    <message>
        <source>Copy share link</source>
        <translation>Freigabelink kopieren</translation>
    </message>
    <message>
        <source>The link logs in as:</source>
        <translation>Der Link meldet an als:</translation>
    </message>
    <message>
        <source>The page&apos;s address on the web:</source>
        <translation>Die Adresse der Seite im Web:</translation>
    </message>
    <message>
        <source>The key derivation failed.</source>
        <translation>Die Schlüsselableitung ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>The share link is on the clipboard. It opens the site as the password does: hand it out as you would the password. &quot;Sign everyone out&quot; on the Protect page revokes every link.</source>
        <translation>Der Freigabelink ist in der Zwischenablage. Er öffnet die Website wie das Passwort: Geben Sie ihn nur weiter, wie Sie das Passwort weitergeben würden. „Alle abmelden“ auf der Seite „Schützen“ widerruft jeden Link.</translation>
    </message>
    <message>
        <source>Wendlock Project Files (*.vxp)</source>
        <translation>Wendlock-Projektdateien (*.vxp)</translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>&amp;Project</source>
        <translation>&amp;Projekt</translation>
    </message>
    <message>
        <source>&amp;New Project</source>
        <translation>&amp;Neues Projekt</translation>
    </message>
    <message>
        <source>Create a new project</source>
        <translation>Ein neues Projekt anlegen</translation>
    </message>
    <message>
        <source>New Project</source>
        <translation>Neues Projekt</translation>
    </message>
    <message>
        <source>&amp;Open Project...</source>
        <translation>Projekt ö&amp;ffnen...</translation>
    </message>
    <message>
        <source>Open an existing project</source>
        <translation>Ein vorhandenes Projekt öffnen</translation>
    </message>
    <message>
        <source>Open Project</source>
        <translation>Projekt öffnen</translation>
    </message>
    <message>
        <source>&amp;Save Project</source>
        <translation>Projekt &amp;speichern</translation>
    </message>
    <message>
        <source>Save the active project</source>
        <translation>Das aktive Projekt speichern</translation>
    </message>
    <message>
        <source>Save Project</source>
        <translation>Projekt speichern</translation>
    </message>
    <message>
        <source>Save Project &amp;As...</source>
        <translation>Projekt speichern &amp;unter...</translation>
    </message>
    <message>
        <source>Save the active project with a new name</source>
        <translation>Das aktive Projekt unter einem neuen Namen speichern</translation>
    </message>
    <message>
        <source>Save Project As</source>
        <translation>Projekt speichern unter</translation>
    </message>
    <message>
        <source>&amp;Recent Projects</source>
        <translation>&amp;Zuletzt geöffnete Projekte</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Quit the application; prompts to save project</source>
        <translation>Das Programm beenden; fragt, ob das Projekt gespeichert werden soll</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Pro&amp;tect</source>
        <translation>&amp;Schützen</translation>
    </message>
    <message>
        <source>&amp;Protect</source>
        <translation>&amp;Schützen</translation>
    </message>
    <message>
        <source>Protect the files with password</source>
        <translation>Die Dateien mit dem Passwort schützen</translation>
    </message>
    <message>
        <source>Password Protect</source>
        <translation>Mit Passwort schützen</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Toolbar</source>
        <translation>&amp;Symbolleiste</translation>
    </message>
    <message>
        <source>Show or hide the toolbar</source>
        <translation>Die Symbolleiste ein- oder ausblenden</translation>
    </message>
    <message>
        <source>Toggle ToolBar</source>
        <translation>Symbolleiste ein/aus</translation>
    </message>
    <message>
        <source>&amp;Status Bar</source>
        <translation>S&amp;tatusleiste</translation>
    </message>
    <message>
        <source>Show or hide the status bar</source>
        <translation>Die Statusleiste ein- oder ausblenden</translation>
    </message>
    <message>
        <source>Toggle StatusBar</source>
        <translation>Statusleiste ein/aus</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Contents	F1</source>
        <translation>&amp;Inhalt	F1</translation>
    </message>
    <message>
        <source>Show help contents</source>
        <translation>Den Inhalt der Hilfe anzeigen</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Support &amp;Homepage</source>
        <translation>Support-&amp;Website</translation>
    </message>
    <message>
        <source>Go to the homepage for technical support or other</source>
        <translation>Die Website für technische Unterstützung und anderes öffnen</translation>
    </message>
    <message>
        <source>Homepage</source>
        <translation>Website</translation>
    </message>
    <message>
        <source>Support &amp;Email</source>
        <translation>Support per &amp;E-Mail</translation>
    </message>
    <message>
        <source>Send email to us for technical support or other</source>
        <translation>Uns eine E-Mail zu technischer Unterstützung oder anderem schicken</translation>
    </message>
    <message>
        <source>Email</source>
        <translation>E-Mail</translation>
    </message>
    <message>
        <source>Check &amp;new version...</source>
        <translation>Nach neuer &amp;Version suchen...</translation>
    </message>
    <message>
        <source>Check new version of Wendlock</source>
        <translation>Nach einer neuen Version von Wendlock suchen</translation>
    </message>
    <message>
        <source>Check new version</source>
        <translation>Nach neuer Version suchen</translation>
    </message>
    <message>
        <source>&amp;About Wendlock...</source>
        <translation>Ü&amp;ber Wendlock...</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>Werkzeuge</translation>
    </message>
    <message>
        <source>New</source>
        <translation>Neu</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Protect</source>
        <translation>Schützen</translation>
    </message>
    <message>
        <source>For Help, press F1</source>
        <translation>Drücken Sie F1, um Hilfe zu erhalten</translation>
    </message>
    <message>
        <source>Recent Project</source>
        <translation>Zuletzt geöffnetes Projekt</translation>
    </message>
    <message>
        <source>Open this project</source>
        <translation>Dieses Projekt öffnen</translation>
    </message>
    <message>
        <source>Save changes to %1?</source>
        <translation>Änderungen an %1 speichern?</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Speichern unter</translation>
    </message>
    <message>
        <source>Send mail failure!
No mail program or no default mail program on your operation system.</source>
        <translation>Die E-Mail konnte nicht gesendet werden!
Auf Ihrem System ist kein E-Mail-Programm oder kein Standard-E-Mail-Programm eingerichtet.</translation>
    </message>
</context>
<context>
    <name>COpenWithDialog</name>
    <message>
        <source>Open With</source>
        <translation>Öffnen mit</translation>
    </message>
    <message>
        <source>Choose the program you want to use to open this file:
%1</source>
        <translation>Wählen Sie das Programm, mit dem diese Datei geöffnet werden soll:
%1</translation>
    </message>
    <message>
        <source>Other program...</source>
        <translation>Anderes Programm...</translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>the program &quot;%1&quot; could not be started</source>
        <translation>das Programm „%1“ konnte nicht gestartet werden</translation>
    </message>
</context>
<context>
    <name>CPageFiles</name>
    <message>
        <source>missing</source>
        <translation>fehlt</translation>
    </message>
    <message>
        <source>protected</source>
        <translation>geschützt</translation>
    </message>
    <message>
        <source>plain</source>
        <translation>ungeschützt</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Zustand</translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) listed</source>
        <translation>
            <numerusform>%n Datei aufgeführt</numerusform>
            <numerusform>%n Dateien aufgeführt</numerusform>
        </translation>
    </message>
    <message>
        <source>Adds web pages you pick to the list of pages to protect.</source>
        <translation>Fügt die gewählten Webseiten der Liste der zu schützenden Seiten hinzu.</translation>
    </message>
    <message>
        <source>Adds every web page of a folder (and its sub-folders if you choose).</source>
        <translation>Fügt alle Webseiten eines Ordners hinzu (auf Wunsch auch die seiner Unterordner).</translation>
    </message>
    <message>
        <source>Takes the selected pages off the list; the files themselves stay as they are.</source>
        <translation>Nimmt die ausgewählten Seiten von der Liste; die Dateien selbst bleiben unverändert.</translation>
    </message>
    <message>
        <source>Empties the list; the files themselves stay as they are.</source>
        <translation>Leert die Liste; die Dateien selbst bleiben unverändert.</translation>
    </message>
    <message>
        <source>Adds the pages named in a list file.</source>
        <translation>Fügt die in einer Listendatei genannten Seiten hinzu.</translation>
    </message>
    <message>
        <source>Writes the list of pages to a list file.</source>
        <translation>Schreibt die Liste der Seiten in eine Listendatei.</translation>
    </message>
    <message>
        <source>The pages that Protect rewrites in place; each is opened by the password in the visitor&apos;s browser.</source>
        <translation>Die Seiten, die „Schützen“ an Ort und Stelle umschreibt; jede wird im Browser des Besuchers mit dem Passwort geöffnet.</translation>
    </message>
    <message>
        <source>Keeps a copy of each page as it was, so that Restore can bring it back.</source>
        <translation>Bewahrt eine Kopie jeder Seite im ursprünglichen Zustand auf, damit „Wiederherstellen“ sie zurückholen kann.</translation>
    </message>
    <message>
        <source>Puts the kept copies back over the selected protected pages.</source>
        <translation>Schreibt die aufbewahrten Kopien über die ausgewählten geschützten Seiten zurück.</translation>
    </message>
    <message>
        <source>Restoring the files list</source>
        <translation>Die Dateien der Liste werden wiederhergestellt</translation>
    </message>
    <message>
        <source>Restoring...</source>
        <translation>Wird wiederhergestellt...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>The restore was cancelled: %1 file(s) not processed.</source>
        <translation>Das Wiederherstellen wurde abgebrochen: %1 Datei(en) nicht bearbeitet.</translation>
    </message>
    <message>
        <source>Not restored:</source>
        <translation>Nicht wiederhergestellt:</translation>
    </message>
    <message>
        <source>The protected site is written to another folder (Protect page): the pages here are never changed, so there is nothing to restore.</source>
        <translation>Die geschützte Website wird in einen anderen Ordner geschrieben (Seite „Schützen“): Die Seiten hier werden nie verändert, daher gibt es nichts wiederherzustellen.</translation>
    </message>
    <message>
        <source>List Files (*.lst)</source>
        <translation>Listendateien (*.lst)</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>Add files or folder to protect, or click &quot;Restore&quot; button to restore the files from backup files.</source>
        <translation>Fügen Sie zu schützende Dateien oder Ordner hinzu oder klicken Sie auf „Wiederherstellen“, um die Dateien aus ihren Sicherungskopien wiederherzustellen.</translation>
    </message>
    <message>
        <source>&amp;Add Files</source>
        <translation>Dateien &amp;hinzufügen</translation>
    </message>
    <message>
        <source>Add &amp;Folder</source>
        <translation>&amp;Ordner hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <source>De&amp;lete All</source>
        <translation>&amp;Alle löschen</translation>
    </message>
    <message>
        <source>&amp;Import</source>
        <translation>&amp;Importieren</translation>
    </message>
    <message>
        <source>&amp;Export</source>
        <translation>E&amp;xportieren</translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>Dateiname</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Typ</translation>
    </message>
    <message>
        <source>Path</source>
        <translation>Pfad</translation>
    </message>
    <message>
        <source>&amp;Backup files as &quot;*.original&quot; at the same directory</source>
        <translation>&amp;Sicherungskopien als „*.original“ im selben Ordner anlegen</translation>
    </message>
    <message>
        <source>&amp;Restore</source>
        <translation>&amp;Wiederherstellen</translation>
    </message>
    <message>
        <source>Possible Web Files (%1)</source>
        <translation>Mögliche Webdateien (%1)</translation>
    </message>
    <message>
        <source>HTML Files (*.htm *.html)</source>
        <translation>HTML-Dateien (*.htm *.html)</translation>
    </message>
    <message>
        <source>PHP Files (*.php)</source>
        <translation>PHP-Dateien (*.php)</translation>
    </message>
    <message>
        <source>ASP Files (*.asp *.aspx)</source>
        <translation>ASP-Dateien (*.asp *.aspx)</translation>
    </message>
    <message>
        <source>ALL Files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Adding the web files of %1</source>
        <translation>Die Webdateien von %1 werden hinzugefügt</translation>
    </message>
    <message>
        <source>Loading the files list</source>
        <translation>Die Dateiliste wird geladen</translation>
    </message>
    <message>
        <source>Add Files</source>
        <translation>Dateien hinzufügen</translation>
    </message>
    <message>
        <source>Adding files</source>
        <translation>Dateien werden hinzugefügt</translation>
    </message>
    <message>
        <source>No item is selected!</source>
        <translation>Es ist kein Eintrag ausgewählt!</translation>
    </message>
    <message>
        <source>Are you sure to delete all items?</source>
        <translation>Wirklich alle Einträge löschen?</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>Importieren</translation>
    </message>
    <message>
        <source>Importing %1</source>
        <translation>%1 wird importiert</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportieren</translation>
    </message>
    <message>
        <source>Please add files to the list to be restored! Add web files instead of &quot;*.original&quot; backup files.</source>
        <translation>Bitte fügen Sie die wiederherzustellenden Dateien der Liste hinzu! Fügen Sie die Webdateien hinzu, nicht die Sicherungskopien „*.original“.</translation>
    </message>
    <message>
        <source>This will replace the files in the list with their backup files &quot;*.original&quot;! Do you want to continue?</source>
        <translation>Damit werden die Dateien der Liste durch ihre Sicherungskopien „*.original“ ersetzt! Möchten Sie fortfahren?</translation>
    </message>
    <message>
        <source>%1 files have been restored!</source>
        <translation>%1 Datei(en) wurden wiederhergestellt!</translation>
    </message>
    <message>
        <source>&amp;Add Files...</source>
        <translation>Dateien &amp;hinzufügen...</translation>
    </message>
    <message>
        <source>Add files to the list to protect</source>
        <translation>Dateien zur Liste der zu schützenden Dateien hinzufügen</translation>
    </message>
    <message>
        <source>Add &amp;Folder...</source>
        <translation>&amp;Ordner hinzufügen...</translation>
    </message>
    <message>
        <source>Add folder to the list to protect</source>
        <translation>Einen Ordner zur Liste der zu schützenden Dateien hinzufügen</translation>
    </message>
    <message>
        <source>Delete selected items from the list</source>
        <translation>Die ausgewählten Einträge aus der Liste löschen</translation>
    </message>
    <message>
        <source>De&amp;lete All...</source>
        <translation>&amp;Alle löschen...</translation>
    </message>
    <message>
        <source>Delete all items from the list</source>
        <translation>Alle Einträge aus der Liste löschen</translation>
    </message>
    <message>
        <source>&amp;Import...</source>
        <translation>&amp;Importieren...</translation>
    </message>
    <message>
        <source>Import items to the list from file</source>
        <translation>Einträge aus einer Datei in die Liste importieren</translation>
    </message>
    <message>
        <source>&amp;Export...</source>
        <translation>E&amp;xportieren...</translation>
    </message>
    <message>
        <source>Export items in the list to file</source>
        <translation>Die Einträge der Liste in eine Datei exportieren</translation>
    </message>
    <message>
        <source>&amp;Restore...</source>
        <translation>&amp;Wiederherstellen...</translation>
    </message>
    <message>
        <source>Restore the files in the list from backup files</source>
        <translation>Die Dateien der Liste aus ihren Sicherungskopien wiederherstellen</translation>
    </message>
</context>
<context>
    <name>CPageProtect</name>
    <message>
        <source>Whole site</source>
        <translation>Ganze Website</translation>
    </message>
    <message>
        <source>Also encipher the site&apos;s other &amp;files (images, scripts, styles, data)</source>
        <translation>Auch die anderen Dateien der Website &amp;verschlüsseln (Bilder, Skripte, Stile, Daten)</translation>
    </message>
    <message>
        <source>Search indexes, images and data stay unreadable without the password; a service worker deciphers them in the visitor&apos;s browser after login.</source>
        <translation>Suchindizes, Bilder und Daten bleiben ohne das Passwort unlesbar; ein Service Worker entschlüsselt sie nach der Anmeldung im Browser des Besuchers.</translation>
    </message>
    <message>
        <source>Visitors must open the site over https or on this computer&apos;s localhost.</source>
        <translation>Besucher müssen die Website über https oder auf localhost dieses Computers öffnen.</translation>
    </message>
    <message>
        <source>Site r&amp;oot:</source>
        <translation>&amp;Wurzel der Website:</translation>
    </message>
    <message>
        <source>Only files below this folder are enciphered; nothing outside it is touched.</source>
        <translation>Nur Dateien unterhalb dieses Ordners werden verschlüsselt; außerhalb davon bleibt alles unberührt.</translation>
    </message>
    <message>
        <source>&amp;Leave out:</source>
        <translation>A&amp;uslassen:</translation>
    </message>
    <message>
        <source>patterns such as drafts/ *.psd</source>
        <translation>Muster wie drafts/ *.psd</translation>
    </message>
    <message>
        <source>Files matching these patterns (separated by spaces) stay as they are.</source>
        <translation>Dateien, auf die diese Muster (durch Leerzeichen getrennt) passen, bleiben unverändert.</translation>
    </message>
    <message>
        <source>the deepest folder that holds every listed page</source>
        <translation>der tiefste Ordner, der alle aufgeführten Seiten enthält</translation>
    </message>
    <message>
        <source>When empty: the deepest folder that holds every listed page.</source>
        <translation>Wenn leer: der tiefste Ordner, der alle aufgeführten Seiten enthält.</translation>
    </message>
    <message>
        <source>When empty: %1, the deepest folder that holds every listed page.</source>
        <translation>Wenn leer: %1, der tiefste Ordner, der alle aufgeführten Seiten enthält.</translation>
    </message>
    <message>
        <source>&amp;Copy HEAD section of the files which will be protected to their login pages</source>
        <translation>&amp;HEAD-Bereich der zu schützenden Dateien in ihre Anmeldeseiten kopieren</translation>
    </message>
    <message>
        <source>R&amp;efresh page after login with Microsoft Internet Explorer</source>
        <translation>Seite nach &amp;der Anmeldung im Microsoft Internet Explorer neu laden</translation>
    </message>
    <message>
        <source>Where</source>
        <translation>Wohin</translation>
    </message>
    <message>
        <source>Protect the pages in &amp;place, keeping backups</source>
        <translation>Seiten &amp;an Ort und Stelle schützen, mit Sicherungskopien</translation>
    </message>
    <message>
        <source>&amp;Write the protected site to:</source>
        <translation>Gesch&amp;ützte Website schreiben nach:</translation>
    </message>
    <message>
        <source>a folder outside the site, e.g. public-protected</source>
        <translation>ein Ordner außerhalb der Website, z. B. public-protected</translation>
    </message>
    <message>
        <source>B&amp;rowse...</source>
        <translation>Dur&amp;chsuchen...</translation>
    </message>
    <message>
        <source>The site root is copied there with its pages protected; the pages themselves are never changed, so there are no backups and nothing to restore. Later runs write only what changed.</source>
        <translation>Der Website-Stamm wird dorthin kopiert, mit geschützten Seiten; die Seiten selbst werden nie verändert, daher gibt es keine Sicherungskopien und nichts wiederherzustellen. Spätere Durchläufe schreiben nur, was sich geändert hat.</translation>
    </message>
    <message>
        <source>The character set the pages are written in, so that the login page shows their text right.</source>
        <translation>Der Zeichensatz, in dem die Seiten geschrieben sind, damit die Anmeldeseite ihren Text richtig zeigt.</translation>
    </message>
    <message>
        <source>Gives each login page the title, styles and meta lines of the page it opens.</source>
        <translation>Gibt jeder Anmeldeseite den Titel, die Stile und die Meta-Zeilen der Seite, die sie öffnet.</translation>
    </message>
    <message>
        <source>Reloads the page once after the login in Internet Explorer, which may show it blank otherwise.</source>
        <translation>Lädt die Seite nach der Anmeldung im Internet Explorer einmal neu, der sie sonst leer zeigen kann.</translation>
    </message>
    <message>
        <source>Strong pages can only be read with the password; classic ones only obscure their text.</source>
        <translation>Starke Seiten lassen sich nur mit dem Passwort lesen; klassische verschleiern ihren Text nur.</translation>
    </message>
    <message>
        <source>More iterations make each login slower and each password guess costlier.</source>
        <translation>Mehr Iterationen machen jede Anmeldung langsamer und jeden Rateversuch für ein Passwort teurer.</translation>
    </message>
    <message>
        <source>Draws a new salt, so every visitor must log in again and every share link stops working.</source>
        <translation>Erzeugt ein neues Salt: Jeder Besucher muss sich neu anmelden und jeder Freigabelink hört auf zu funktionieren.</translation>
    </message>
    <message>
        <source>Rewrites the listed pages themselves, keeping a backup of each.</source>
        <translation>Schreibt die aufgelisteten Seiten selbst neu und behält von jeder eine Sicherungskopie.</translation>
    </message>
    <message>
        <source>Writes a protected copy of the site into another folder and leaves the pages as they are.</source>
        <translation>Schreibt eine geschützte Kopie der Website in einen anderen Ordner und lässt die Seiten, wie sie sind.</translation>
    </message>
    <message>
        <source>The folder that receives the protected copy of the site; it must lie outside the site.</source>
        <translation>Der Ordner, der die geschützte Kopie der Website erhält; er muss außerhalb der Website liegen.</translation>
    </message>
    <message>
        <source>Chooses the folder that receives the protected copy of the site.</source>
        <translation>Wählt den Ordner, der die geschützte Kopie der Website erhält.</translation>
    </message>
    <message>
        <source>Puts the scripts ticked below into the login pages, in the visitor&apos;s browser.</source>
        <translation>Setzt die unten angekreuzten Skripte in die Anmeldeseiten, im Browser des Besuchers.</translation>
    </message>
    <message>
        <source>Keeps the scripts ticked below running in the pages once the visitor has logged in.</source>
        <translation>Lässt die unten angekreuzten Skripte in den Seiten weiterlaufen, wenn sich der Besucher angemeldet hat.</translation>
    </message>
    <message>
        <source>Stops the context menu from opening on the page in the visitor&apos;s browser.</source>
        <translation>Verhindert, dass sich im Browser des Besuchers das Kontextmenü auf der Seite öffnet.</translation>
    </message>
    <message>
        <source>Stops the visitor from selecting the page&apos;s text.</source>
        <translation>Verhindert, dass der Besucher den Text der Seite markiert.</translation>
    </message>
    <message>
        <source>Hides the page from the visitor&apos;s printouts.</source>
        <translation>Blendet die Seite in Ausdrucken des Besuchers aus.</translation>
    </message>
    <message>
        <source>Stops the page from working once saved and opened from the visitor&apos;s disk.</source>
        <translation>Sorgt dafür, dass die Seite nicht funktioniert, wenn sie gespeichert und von der Festplatte des Besuchers geöffnet wird.</translation>
    </message>
    <message>
        <source>Hides the addresses of links from the visitor&apos;s status bar.</source>
        <translation>Blendet die Adressen von Links in der Statusleiste des Besuchers aus.</translation>
    </message>
    <message>
        <source>Makes the page leave any frame another site puts it in.</source>
        <translation>Lässt die Seite jeden Rahmen verlassen, in den eine andere Website sie setzt.</translation>
    </message>
    <message>
        <source>Turns away visitors whose browser calls itself Mozilla.</source>
        <translation>Weist Besucher ab, deren Browser sich Mozilla nennt.</translation>
    </message>
    <message>
        <source>Turns away visitors whose browser calls itself Opera.</source>
        <translation>Weist Besucher ab, deren Browser sich Opera nennt.</translation>
    </message>
    <message>
        <source>Clears the clipboard when the visitor presses Print Screen.</source>
        <translation>Leert die Zwischenablage, wenn der Besucher die Druck-Taste drückt.</translation>
    </message>
    <message>
        <source>Stops the visitor from dragging the page&apos;s text and images out of it.</source>
        <translation>Verhindert, dass der Besucher Text und Bilder aus der Seite herauszieht.</translation>
    </message>
    <message>
        <source>Opens the page only at the address given beside it.</source>
        <translation>Öffnet die Seite nur unter der daneben angegebenen Adresse.</translation>
    </message>
    <message>
        <source>The address the page must be opened at, as the visitor&apos;s browser shows it.</source>
        <translation>Die Adresse, unter der die Seite geöffnet werden muss, wie der Browser des Besuchers sie zeigt.</translation>
    </message>
    <message>
        <source>Opens the page only when the visitor comes from the address given beside it.</source>
        <translation>Öffnet die Seite nur, wenn der Besucher von der daneben angegebenen Adresse kommt.</translation>
    </message>
    <message>
        <source>The address the visitor must come from to open the page.</source>
        <translation>Die Adresse, von der der Besucher kommen muss, um die Seite zu öffnen.</translation>
    </message>
    <message>
        <source>Choose the folder the protected site is written to, or protect the pages in place.</source>
        <translation>Wählen Sie den Ordner, in den die geschützte Website geschrieben wird, oder schützen Sie die Seiten an Ort und Stelle.</translation>
    </message>
    <message>
        <source>Write the protected site to</source>
        <translation>Geschützte Website schreiben nach</translation>
    </message>
    <message>
        <source>Protect</source>
        <translation>Schützen</translation>
    </message>
    <message>
        <source>&amp;Specify charset of the files which will be protected.</source>
        <translation>Zeichensatz der zu schützenden Dateien an&amp;geben.</translation>
    </message>
    <message>
        <source>Disable &amp;right mouse click</source>
        <translation>&amp;Rechte Maustaste sperren</translation>
    </message>
    <message>
        <source>Disable &amp;text select</source>
        <translation>Te&amp;xtauswahl verhindern</translation>
    </message>
    <message>
        <source>Disable &amp;page printing</source>
        <translation>Sei&amp;tendruck sperren</translation>
    </message>
    <message>
        <source>Disable &amp;off-line page viewing</source>
        <translation>&amp;Offline-Ansicht der Seite sperren</translation>
    </message>
    <message>
        <source>&amp;Don&apos;t display links in status bar</source>
        <translation>Links &amp;nicht in der Statusleiste anzeigen</translation>
    </message>
    <message>
        <source>Locatio&amp;n lock:</source>
        <translation>Adresss&amp;perre:</translation>
    </message>
    <message>
        <source>&amp;Kill frame</source>
        <translation>Aus fremden Rahmen l&amp;ösen</translation>
    </message>
    <message>
        <source>Re&amp;ferrer lock:</source>
        <translation>R&amp;eferrer-Sperre:</translation>
    </message>
    <message>
        <source>Disable mo&amp;zilla user</source>
        <translation>Mo&amp;zilla-Benutzer abweisen</translation>
    </message>
    <message>
        <source>Disable opera &amp;user</source>
        <translation>Opera-&amp;Benutzer abweisen</translation>
    </message>
    <message>
        <source>Disable pr&amp;intscreen</source>
        <translation>Bildschirmfoto per Druc&amp;k-Taste sperren</translation>
    </message>
    <message>
        <source>Disable dra&amp;g and drop</source>
        <translation>Z&amp;iehen und Ablegen sperren</translation>
    </message>
    <message>
        <source>Protect &amp;login pages with following scripts</source>
        <translation>Anmeldeseiten &amp;mit folgenden Skripten schützen</translation>
    </message>
    <message>
        <source>Protect pages &amp;after login with following scripts</source>
        <translation>&amp;Seiten nach der Anmeldung mit folgenden Skripten schützen</translation>
    </message>
    <message>
        <source>Page format</source>
        <translation>Seitenformat</translation>
    </message>
    <message>
        <source>Page for&amp;mat:</source>
        <translation>Seiten&amp;format:</translation>
    </message>
    <message>
        <source>Strong encryption (AES-256)</source>
        <translation>Starke Verschlüsselung (AES-256)</translation>
    </message>
    <message>
        <source>Compatible (classic)</source>
        <translation>Kompatibel (classic)</translation>
    </message>
    <message>
        <source>Classic pages can be read without the password: it only obscures the content.</source>
        <translation>Seiten im Format classic lassen sich ohne das Passwort lesen: Es verschleiert den Inhalt nur.</translation>
    </message>
    <message>
        <source>Ke&amp;y iterations:</source>
        <translation>Durchl&amp;äufe der Schlüsselableitung:</translation>
    </message>
    <message>
        <source>Sign e&amp;veryone out</source>
        <translation>A&amp;lle abmelden</translation>
    </message>
    <message>
        <source>Script</source>
        <translation>Skript</translation>
    </message>
    <message>
        <source>Copies of the classic pages (old deploys, caches, backups) give away a digest of the password that opens them without any guessing.

Choose a new password before protecting with strong encryption.</source>
        <translation>Kopien der Seiten im Format classic (alte Veröffentlichungen, Caches, Sicherungskopien) verraten einen Hashwert des Passworts, der sie ohne jedes Raten öffnet.

Wählen Sie ein neues Passwort, bevor Sie mit starker Verschlüsselung schützen.</translation>
    </message>
    <message>
        <source>Every page protected before will ask for the password again once the pages are protected and uploaded anew.

Sign everyone out?</source>
        <translation>Jede bisher geschützte Seite fragt wieder nach dem Passwort, sobald die Seiten neu geschützt und hochgeladen sind.

Alle abmelden?</translation>
    </message>
    <message>
        <source>No random numbers were available; the sign-out was not done.</source>
        <translation>Es standen keine Zufallszahlen zur Verfügung; die Abmeldung wurde nicht durchgeführt.</translation>
    </message>
</context>
<context>
    <name>CPagePassword</name>
    <message>
        <source>Every visitor opens the pages with the one password below.</source>
        <translation>Jeder Besucher öffnet die Seiten mit dem einen Passwort unten.</translation>
    </message>
    <message>
        <source>Each visitor logs in with a user name and password of the list below.</source>
        <translation>Jeder Besucher meldet sich mit einem Benutzernamen und Passwort aus der Liste unten an.</translation>
    </message>
    <message>
        <source>The password visitors type on the login page.</source>
        <translation>Das Passwort, das Besucher auf der Anmeldeseite eingeben.</translation>
    </message>
    <message>
        <source>Puts a new random password in the box.</source>
        <translation>Trägt ein neues zufälliges Passwort in das Feld ein.</translation>
    </message>
    <message>
        <source>The visitors who may log in; double-click one to edit it.</source>
        <translation>Die Besucher, die sich anmelden dürfen; ein Doppelklick bearbeitet einen Eintrag.</translation>
    </message>
    <message>
        <source>Adds a visitor with a user name and password.</source>
        <translation>Fügt einen Besucher mit Benutzername und Passwort hinzu.</translation>
    </message>
    <message>
        <source>Changes the selected visitor&apos;s user name, password or details.</source>
        <translation>Ändert Benutzername, Passwort oder Angaben des ausgewählten Besuchers.</translation>
    </message>
    <message>
        <source>Removes the selected visitors; they can no longer log in once the pages are protected again.</source>
        <translation>Entfernt die ausgewählten Besucher; sie können sich nicht mehr anmelden, sobald die Seiten erneut geschützt sind.</translation>
    </message>
    <message>
        <source>Removes every visitor from the list.</source>
        <translation>Entfernt alle Besucher aus der Liste.</translation>
    </message>
    <message>
        <source>Adds the visitors of a CSV file (user name, password, ...).</source>
        <translation>Fügt die Besucher einer CSV-Datei hinzu (Benutzername, Passwort, ...).</translation>
    </message>
    <message>
        <source>Writes the visitors to a CSV file, passwords included.</source>
        <translation>Schreibt die Besucher samt Passwörtern in eine CSV-Datei.</translation>
    </message>
    <message>
        <source>CSV Files (*.csv)</source>
        <translation>CSV-Dateien (*.csv)</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Passwort</translation>
    </message>
    <message>
        <source>&amp;Single password mode</source>
        <translation>&amp;Einzelnes Passwort</translation>
    </message>
    <message>
        <source>&amp;Multiple user name and password mode</source>
        <translation>&amp;Mehrere Benutzernamen und Passwörter</translation>
    </message>
    <message>
        <source>&amp;Password:</source>
        <translation>&amp;Passwort:</translation>
    </message>
    <message>
        <source>Using single password or multiple user name and password to protect the files, visitors need to login before enter the protected files.</source>
        <translation>Schützen Sie die Dateien mit einem einzelnen Passwort oder mit mehreren Benutzernamen und Passwörtern; Besucher müssen sich anmelden, bevor sie die geschützten Dateien öffnen können.</translation>
    </message>
    <message>
        <source>Generate a random password</source>
        <translation>Ein zufälliges Passwort erzeugen</translation>
    </message>
    <message>
        <source>User Name</source>
        <translation>Benutzername</translation>
    </message>
    <message>
        <source>Full Name</source>
        <translation>Vollständiger Name</translation>
    </message>
    <message>
        <source>Email</source>
        <translation>E-Mail</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Beschreibung</translation>
    </message>
    <message>
        <source>&amp;Add User</source>
        <translation>Benutzer &amp;hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Edit User</source>
        <translation>Benutzer &amp;bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <source>De&amp;lete All</source>
        <translation>&amp;Alle löschen</translation>
    </message>
    <message>
        <source>&amp;Import</source>
        <translation>&amp;Importieren</translation>
    </message>
    <message>
        <source>E&amp;xport</source>
        <translation>E&amp;xportieren</translation>
    </message>
    <message>
        <source>Add User</source>
        <translation>Benutzer hinzufügen</translation>
    </message>
    <message>
        <source>Add user failure! The user &quot;%1&quot; already existed.</source>
        <translation>Der Benutzer konnte nicht hinzugefügt werden! Den Benutzer „%1“ gibt es bereits.</translation>
    </message>
    <message>
        <source>Please select only one item to edit!</source>
        <translation>Bitte wählen Sie zum Bearbeiten nur einen Eintrag aus!</translation>
    </message>
    <message>
        <source>No item is selected!</source>
        <translation>Es ist kein Eintrag ausgewählt!</translation>
    </message>
    <message>
        <source>Edit User</source>
        <translation>Benutzer bearbeiten</translation>
    </message>
    <message>
        <source>Change user name failure! The user &quot;%1&quot; already existed.</source>
        <translation>Der Benutzername konnte nicht geändert werden! Den Benutzer „%1“ gibt es bereits.</translation>
    </message>
    <message>
        <source>Are you sure to delete all items?</source>
        <translation>Wirklich alle Einträge löschen?</translation>
    </message>
    <message>
        <source>&amp;Add User...</source>
        <translation>Benutzer &amp;hinzufügen...</translation>
    </message>
    <message>
        <source>Add an user to list</source>
        <translation>Einen Benutzer zur Liste hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Edit User...</source>
        <translation>Benutzer &amp;bearbeiten...</translation>
    </message>
    <message>
        <source>Edit selected user in list</source>
        <translation>Den ausgewählten Benutzer der Liste bearbeiten</translation>
    </message>
    <message>
        <source>Delete selected users in list</source>
        <translation>Die ausgewählten Benutzer aus der Liste löschen</translation>
    </message>
    <message>
        <source>De&amp;lete All...</source>
        <translation>&amp;Alle löschen...</translation>
    </message>
    <message>
        <source>Delete all users in list</source>
        <translation>Alle Benutzer der Liste löschen</translation>
    </message>
    <message>
        <source>&amp;Import...</source>
        <translation>&amp;Importieren...</translation>
    </message>
    <message>
        <source>Import users list from file</source>
        <translation>Die Benutzerliste aus einer Datei importieren</translation>
    </message>
    <message>
        <source>E&amp;xport...</source>
        <translation>E&amp;xportieren...</translation>
    </message>
    <message>
        <source>Export users list to file</source>
        <translation>Die Benutzerliste in eine Datei exportieren</translation>
    </message>
</context>
<context>
    <name>CPageResult</name>
    <message>
        <source>Rewrites every listed page so that a browser shows it only after the password.</source>
        <translation>Schreibt jede aufgeführte Seite so um, dass ein Browser sie erst nach dem Passwort zeigt.</translation>
    </message>
    <message>
        <source>Opens the selected page in your web browser to try the login.</source>
        <translation>Öffnet die ausgewählte Seite in Ihrem Webbrowser, um die Anmeldung auszuprobieren.</translation>
    </message>
    <message>
        <source>Opens the selected page in an editor.</source>
        <translation>Öffnet die ausgewählte Seite in einem Editor.</translation>
    </message>
    <message>
        <source>What the last run did with each page.</source>
        <translation>Was der letzte Lauf mit jeder Seite gemacht hat.</translation>
    </message>
    <message>
        <source>Copy share &amp;link...</source>
        <translation>Freigabe&amp;link kopieren...</translation>
    </message>
    <message>
        <source>Copies a link that opens the selected page as the password does, for anyone holding it, until &quot;Sign everyone out&quot; on the Protect page revokes it.</source>
        <translation>Kopiert einen Link, der die gewählte Seite wie das Passwort öffnet, für jeden, der ihn hat, bis „Alle abmelden“ auf der Seite „Schützen“ ihn widerruft.</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>Click &quot;Protect&quot; button or &quot;Protect&quot; toolbar button to password protect files, the protected files will be listed in the following list.</source>
        <translation>Klicken Sie auf die Schaltfläche „Schützen“ oder in der Symbolleiste auf „Schützen“, um Dateien mit einem Passwort zu schützen; die geschützten Dateien werden in der folgenden Liste aufgeführt.</translation>
    </message>
    <message>
        <source>&amp;Protect</source>
        <translation>&amp;Schützen</translation>
    </message>
    <message>
        <source>&amp;Test</source>
        <translation>&amp;Testen</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>Dateiname</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Path</source>
        <translation>Pfad</translation>
    </message>
    <message>
        <source>%1 KB</source>
        <translation>%1 KB</translation>
    </message>
    <message>
        <source>&amp;Protect</source>
        <comment>context menu</comment>
        <translation>Sc&amp;hützen</translation>
    </message>
    <message>
        <source>Protect files with password</source>
        <translation>Dateien mit dem Passwort schützen</translation>
    </message>
    <message>
        <source>Open the selected protected file for test</source>
        <translation>Die ausgewählte geschützte Datei zum Testen öffnen</translation>
    </message>
    <message>
        <source>Edit the selected protected file</source>
        <translation>Die ausgewählte geschützte Datei bearbeiten</translation>
    </message>
    <message>
        <source>No item is selected!</source>
        <translation>Es ist kein Eintrag ausgewählt!</translation>
    </message>
</context>
<context>
    <name>CPageLogin</name>
    <message>
        <source>Share logins of local (file://) pages between &amp;tabs</source>
        <translation>Anmeldungen lokaler (file://) Seiten zwischen &amp;Tabs teilen</translation>
    </message>
    <message>
        <source>Warning: any local page open in this browser can then read this site.</source>
        <translation>Warnung: Dann kann jede in diesem Browser geöffnete lokale Seite diese Website lesen.</translation>
    </message>
    <message>
        <source>If the login is incorrect, then</source>
        <translation>Wenn die Anmeldung falsch ist, dann</translation>
    </message>
    <message>
        <source>How long the browser keeps a visitor logged in after the password was accepted.</source>
        <translation>Wie lange der Browser einen Besucher angemeldet hält, nachdem das Passwort angenommen wurde.</translation>
    </message>
    <message>
        <source>The number of days a login is remembered in the visitor&apos;s browser.</source>
        <translation>Die Anzahl der Tage, die sich der Browser des Besuchers eine Anmeldung merkt.</translation>
    </message>
    <message>
        <source>Lets a login typed in one tab open the site&apos;s local pages in the browser&apos;s other tabs too.</source>
        <translation>Lässt eine in einem Tab eingegebene Anmeldung die lokalen Seiten der Website auch in den anderen Tabs des Browsers öffnen.</translation>
    </message>
    <message>
        <source>After a wrong login the visitor&apos;s browser shows the text on the right.</source>
        <translation>Nach einer falschen Anmeldung zeigt der Browser des Besuchers den Text rechts.</translation>
    </message>
    <message>
        <source>The text the login page shows after a wrong password.</source>
        <translation>Der Text, den die Anmeldeseite nach einem falschen Passwort zeigt.</translation>
    </message>
    <message>
        <source>After a wrong login the visitor&apos;s browser goes to the address on the right.</source>
        <translation>Nach einer falschen Anmeldung ruft der Browser des Besuchers die Adresse rechts auf.</translation>
    </message>
    <message>
        <source>The address a wrong login leads to.</source>
        <translation>Die Adresse, zu der eine falsche Anmeldung führt.</translation>
    </message>
    <message>
        <source>The window or frame that opens the address (empty: the page itself).</source>
        <translation>Das Fenster oder der Frame, in dem die Adresse geöffnet wird (leer: die Seite selbst).</translation>
    </message>
    <message>
        <source>Whether the login page tells upper-case from lower-case letters in user names.</source>
        <translation>Ob die Anmeldeseite bei Benutzernamen Groß- und Kleinbuchstaben unterscheidet.</translation>
    </message>
    <message>
        <source>Whether the login page tells upper-case from lower-case letters in passwords.</source>
        <translation>Ob die Anmeldeseite bei Passwörtern Groß- und Kleinbuchstaben unterscheidet.</translation>
    </message>
    <message>
        <source>Login</source>
        <translation>Anmeldung</translation>
    </message>
    <message>
        <source>Login Expire</source>
        <translation>Ablauf der Anmeldung</translation>
    </message>
    <message>
        <source>Specify when the login expire after login a protected web page.</source>
        <translation>Legen Sie fest, wann die Anmeldung an einer geschützten Webseite abläuft.</translation>
    </message>
    <message>
        <source>&amp;Login expire after:</source>
        <translation>Anmeldung &amp;läuft ab nach:</translation>
    </message>
    <message>
        <source>Web page unload</source>
        <translation>Verlassen der Webseite</translation>
    </message>
    <message>
        <source>Web browser close</source>
        <translation>Schließen des Webbrowsers</translation>
    </message>
    <message>
        <source>Specified days past</source>
        <translation>Angegebenen Tagen</translation>
    </message>
    <message>
        <source>&amp;Days:</source>
        <translation>Ta&amp;ge:</translation>
    </message>
    <message>
        <source>Login Incorrect</source>
        <translation>Falsche Anmeldung</translation>
    </message>
    <message>
        <source>&amp;Alert with text</source>
        <translation>&amp;Meldung mit Text</translation>
    </message>
    <message>
        <source>&amp;Redirect to URL</source>
        <translation>&amp;Weiterleiten an URL</translation>
    </message>
    <message>
        <source>&amp;Target:</source>
        <translation>&amp;Ziel:</translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>Erweitert</translation>
    </message>
    <message>
        <source>&amp;User name case sensitive</source>
        <translation>&amp;Benutzername unterscheidet Groß-/Kleinschreibung</translation>
    </message>
    <message>
        <source>&amp;Password case sensitive</source>
        <translation>&amp;Passwort unterscheidet Groß-/Kleinschreibung</translation>
    </message>
    <message>
        <source>Enter an integer.</source>
        <translation>Geben Sie eine ganze Zahl ein.</translation>
    </message>
</context>
<context>
    <name>CPageTemplate</name>
    <message>
        <source>The login pages to choose from; the one selected is what visitors see before the password.</source>
        <translation>Die Anmeldeseiten zur Auswahl; die ausgewählte sehen Besucher vor der Passworteingabe.</translation>
    </message>
    <message>
        <source>Makes a new login page from a copy of the selected one.</source>
        <translation>Erstellt eine neue Anmeldeseite als Kopie der ausgewählten.</translation>
    </message>
    <message>
        <source>Opens your own login page in an editor.</source>
        <translation>Öffnet Ihre eigene Anmeldeseite in einem Editor.</translation>
    </message>
    <message>
        <source>Deletes your own login page.</source>
        <translation>Löscht Ihre eigene Anmeldeseite.</translation>
    </message>
    <message>
        <source>Opens the selected login page in your web browser.</source>
        <translation>Öffnet die ausgewählte Anmeldeseite in Ihrem Webbrowser.</translation>
    </message>
    <message>
        <source>Shows the selected login page below the list.</source>
        <translation>Zeigt die ausgewählte Anmeldeseite unter der Liste.</translation>
    </message>
    <message>
        <source>No item is selected!</source>
        <translation>Es ist kein Eintrag ausgewählt!</translation>
    </message>
    <message>
        <source>Template</source>
        <translation>Vorlage</translation>
    </message>
    <message>
        <source>Select a template to customize the login page, or create your own template here.</source>
        <translation>Wählen Sie eine Vorlage für die Anmeldeseite oder erstellen Sie hier Ihre eigene Vorlage.</translation>
    </message>
    <message>
        <source>&amp;Create</source>
        <translation>&amp;Erstellen</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <source>&amp;Browser</source>
        <translation>Br&amp;owser</translation>
    </message>
    <message>
        <source>&amp;Preview</source>
        <translation>&amp;Vorschau</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>File Path</source>
        <translation>Dateipfad</translation>
    </message>
    <message>
        <source>Are you sure to delete file &quot;%1&quot;? It can&apos;t be restored after deleted.</source>
        <translation>Die Datei „%1“ wirklich löschen? Sie kann danach nicht wiederhergestellt werden.</translation>
    </message>
    <message>
        <source>&amp;Create...</source>
        <translation>&amp;Erstellen...</translation>
    </message>
    <message>
        <source>Create your own template file</source>
        <translation>Eine eigene Vorlagendatei erstellen</translation>
    </message>
    <message>
        <source>Edit selected template file</source>
        <translation>Die ausgewählte Vorlagendatei bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Delete...</source>
        <translation>&amp;Löschen...</translation>
    </message>
    <message>
        <source>Delete selected template file</source>
        <translation>Die ausgewählte Vorlagendatei löschen</translation>
    </message>
    <message>
        <source>Preview selected template file with web browser</source>
        <translation>Die ausgewählte Vorlagendatei im Webbrowser ansehen</translation>
    </message>
    <message>
        <source>&amp;Refresh</source>
        <translation>&amp;Aktualisieren</translation>
    </message>
    <message>
        <source>Refresh the templates list</source>
        <translation>Die Liste der Vorlagen aktualisieren</translation>
    </message>
</context>
<context>
    <name>CProtectRun</name>
    <message>
        <source>Deriving the keys of %1 user(s)...</source>
        <translation>Die Schlüssel von %1 Benutzer(n) werden abgeleitet...</translation>
    </message>
    <message>
        <source>Protecting...</source>
        <translation>Seiten werden geschützt...</translation>
    </message>
    <message>
        <source>Cancelling: the pages in hand are finished...</source>
        <translation>Abbrechen: Die begonnenen Seiten werden fertiggestellt...</translation>
    </message>
    <message>
        <source>Protecting: %1 of %2 file(s) done</source>
        <translation>Schützen: %1 von %2 Datei(en) fertig</translation>
    </message>
</context>
<context>
    <name>CShellOperations</name>
    <message>
        <source>open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>no program is set to open files of type %1</source>
        <translation>für Dateien vom Typ %1 ist kein Programm eingestellt</translation>
    </message>
    <message>
        <source>no program is set to open files of type &quot;%1&quot; (%2)</source>
        <translation>für Dateien vom Typ „%1“ (%2) ist kein Programm eingestellt</translation>
    </message>
    <message>
        <source>&amp;Shell</source>
        <translation>&amp;Shell</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>Ö&amp;ffnen</translation>
    </message>
    <message>
        <source>Shell open the selected file</source>
        <translation>Die ausgewählte Datei mit dem zugeordneten Programm öffnen</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>Shell edit the selected file</source>
        <translation>Die ausgewählte Datei mit dem zugeordneten Programm bearbeiten</translation>
    </message>
    <message>
        <source>Open &amp;with...</source>
        <translation>Öffnen &amp;mit...</translation>
    </message>
    <message>
        <source>Shell open the selected file with...</source>
        <translation>Die ausgewählte Datei öffnen mit...</translation>
    </message>
    <message>
        <source>Open &amp;Folder</source>
        <translation>&amp;Ordner öffnen</translation>
    </message>
    <message>
        <source>Open folder of the selected file</source>
        <translation>Den Ordner der ausgewählten Datei öffnen</translation>
    </message>
    <message>
        <source>&amp;Property...</source>
        <translation>E&amp;igenschaften...</translation>
    </message>
    <message>
        <source>View property of the selected file</source>
        <translation>Die Eigenschaften der ausgewählten Datei anzeigen</translation>
    </message>
    <message>
        <source>No item is selected!</source>
        <translation>Es ist kein Eintrag ausgewählt!</translation>
    </message>
    <message>
        <source>Cannot %1 &quot;%2&quot;: %3.</source>
        <extracomment>%1 is an action (&quot;open&quot;, &quot;edit&quot;, &quot;open the help page&quot;), %2 a path, %3 the reason.</extracomment>
        <translation>%1 von „%2“ nicht möglich: %3.</translation>
    </message>
    <message>
        <source>the file was not found</source>
        <translation>die Datei wurde nicht gefunden</translation>
    </message>
    <message>
        <source>the program set for its type could not be started</source>
        <translation>das für ihren Typ eingestellte Programm konnte nicht gestartet werden</translation>
    </message>
    <message>
        <source>edit</source>
        <translation>Bearbeiten</translation>
    </message>
    <message>
        <source>no text editor is set (%1)</source>
        <translation>es ist kein Texteditor eingestellt (%1)</translation>
    </message>
    <message>
        <source>the text editor &quot;%1&quot; could not be started</source>
        <translation>der Texteditor „%1“ konnte nicht gestartet werden</translation>
    </message>
</context>
<context>
    <name>CTemplatePreview</name>
    <message>
        <source>Loading preview…</source>
        <translation>Vorschau wird geladen…</translation>
    </message>
</context>
<context>
    <name>CTextPreview</name>
    <message>
        <source>&lt;p&gt;The file %1 cannot be shown.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Die Datei %1 kann nicht angezeigt werden.&lt;/p&gt;</translation>
    </message>
</context>
<context>
    <name>CVersionCheck</name>
    <message>
        <source>Check new version failure! Please check your network connect.</source>
        <translation>Die Suche nach einer neuen Version ist fehlgeschlagen! Bitte prüfen Sie Ihre Netzwerkverbindung.</translation>
    </message>
    <message>
        <source>No new version is released.</source>
        <translation>Es ist keine neue Version erschienen.</translation>
    </message>
    <message>
        <source>Current version is %1, newest version is %2. Do you want to download the newest version?</source>
        <translation>Die aktuelle Version ist %1, die neueste Version ist %2. Möchten Sie die neueste Version herunterladen?</translation>
    </message>
</context>
<context>
    <name>CWendlockApp</name>
    <message>
        <source>Create directory &apos;%1&apos; failure! 
%2</source>
        <translation>Der Ordner „%1“ konnte nicht angelegt werden! 
%2</translation>
    </message>
</context>
</TS>
