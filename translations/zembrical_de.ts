<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>MessageBoxes</name>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Confirmation</source>
        <translation>Bestätigung</translation>
    </message>
</context>
<context>
    <name>calc::TDefinitionsSelectDialog</name>
    <message>
        <source>Select definitions file</source>
        <translation>Definitionsdatei auswählen</translation>
    </message>
    <message>
        <source>Definition files (*.udf)</source>
        <translation>Definitionsdateien (*.udf)</translation>
    </message>
    <message>
        <source>Cannot create folder &quot;%1&quot;. %2</source>
        <translation>Der Ordner &quot;%1&quot; kann nicht angelegt werden. %2</translation>
    </message>
    <message>
        <source>%1 does not exist.<byte value="xd"/>Create the file?</source>
        <translation>%1 existiert nicht.<byte value="xd"/>Soll die Datei angelegt werden?</translation>
    </message>
</context>
<context>
    <name>calc::TListCtrl</name>
    <message>
        <source>Edit...</source>
        <translation>Bearbeiten...</translation>
    </message>
    <message>
        <source>Edit item</source>
        <translation>Eintrag bearbeiten</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Delete selected items</source>
        <translation>Ausgewählte Einträge löschen</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <source>Clear all items</source>
        <translation>Alle Einträge löschen</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>Nach oben</translation>
    </message>
    <message>
        <source>Move items up</source>
        <translation>Einträge nach oben schieben</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>Nach unten</translation>
    </message>
    <message>
        <source>Move items down</source>
        <translation>Einträge nach unten schieben</translation>
    </message>
    <message>
        <source>Delete %1 item(s)?</source>
        <translation>%1 Eintrag/Einträge löschen?</translation>
    </message>
    <message>
        <source>Clear all item(s)?</source>
        <translation>Alle Einträge löschen?</translation>
    </message>
</context>
<context>
    <name>calc::TfrmCalculator</name>
    <message>
        <source>Zembrical Calculator</source>
        <translation>Zembrical Calculator</translation>
    </message>
    <message>
        <source>Calculating... Press Esc to stop</source>
        <translation>Berechnung läuft ... Esc bricht ab</translation>
    </message>
    <message>
        <source>Couldn&apos;t save %1:<byte value="xd"/><byte value="xd"/>%2</source>
        <translation>%1 konnte nicht gespeichert werden:<byte value="xd"/><byte value="xd"/>%2</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Verlauf</translation>
    </message>
    <message>
        <source>Definitions</source>
        <translation>Definitionen</translation>
    </message>
    <message>
        <source>Evaluate</source>
        <translation>Berechnen</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Evaluate On Typing</source>
        <translation>Beim Tippen berechnen</translation>
    </message>
    <message>
        <source>Result Formats...</source>
        <translation>Ergebnisformate...</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Exit|Quits the application</source>
        <translation>Beenden|Beendet das Programm</translation>
    </message>
    <message>
        <source>Copy Default Result</source>
        <translation>Standardergebnis kopieren</translation>
    </message>
    <message>
        <source>Copy selected result</source>
        <translation>Ausgewähltes Ergebnis kopieren</translation>
    </message>
    <message>
        <source>Copy Expression</source>
        <translation>Ausdruck kopieren</translation>
    </message>
    <message>
        <source>Copy expression</source>
        <translation>Ausdruck kopieren</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Select &amp;All</source>
        <translation>&amp;Alles auswählen</translation>
    </message>
    <message>
        <source>Select All|Selects the whole text in entire edit field</source>
        <translation>Alles auswählen|Wählt den ganzen Text des Eingabefelds aus</translation>
    </message>
    <message>
        <source>View</source>
        <translation>Ansicht</translation>
    </message>
    <message>
        <source>Menu Bar</source>
        <translation>Menüleiste</translation>
    </message>
    <message>
        <source>Toolbar</source>
        <translation>Werkzeugleiste</translation>
    </message>
    <message>
        <source>Stay On Top</source>
        <translation>Immer im Vordergrund</translation>
    </message>
    <message>
        <source>Deg</source>
        <translation>Deg</translation>
    </message>
    <message>
        <source>Rad</source>
        <translation>Rad</translation>
    </message>
    <message>
        <source>Grad</source>
        <translation>Grad</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Visit Zembrix&apos;s Website</source>
        <translation>Website von Zembrix besuchen</translation>
    </message>
    <message>
        <source>About...</source>
        <translation>Über...</translation>
    </message>
    <message>
        <source>&amp;Calculator</source>
        <translation>&amp;Rechner</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Angle Mode</source>
        <translation>&amp;Winkelmodus</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Zembrical Calculator %1

An expression calculator by Zembrix.
Copyright (c) Zembrix. All rights reserved.
%2</source>
        <translation>Zembrical Calculator %1

Ein Ausdrucksrechner von Zembrix.
Copyright (c) Zembrix. Alle Rechte vorbehalten.
%2</translation>
    </message>
    <message>
        <source>About Zembrical Calculator</source>
        <translation>Über Zembrical Calculator</translation>
    </message>
    <message>
        <source>Syntax Colours</source>
        <translation>Syntaxfarben</translation>
    </message>
    <message>
        <source>Error Marks</source>
        <translation>Fehlermarkierungen</translation>
    </message>
    <message>
        <source>Name Suggestions</source>
        <translation>Namensvorschläge</translation>
    </message>
    <message>
        <source>Completion List</source>
        <translation>Vervollständigungsliste</translation>
    </message>
    <message>
        <source>Argument Hints</source>
        <translation>Argumenthinweise</translation>
    </message>
</context>
<context>
    <name>calc::TfrmDefinitions</name>
    <message>
        <source>Definitions</source>
        <translation>Definitionen</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Expression</source>
        <translation>Ausdruck</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wert</translation>
    </message>
    <message>
        <source>Select...</source>
        <translation>Auswählen...</translation>
    </message>
    <message>
        <source>Select definitions file</source>
        <translation>Definitionsdatei auswählen</translation>
    </message>
    <message>
        <source>Use</source>
        <translation>Verwenden</translation>
    </message>
    <message>
        <source>Add...</source>
        <translation>Hinzufügen...</translation>
    </message>
    <message>
        <source>Edit File...</source>
        <translation>Datei bearbeiten...</translation>
    </message>
    <message>
        <source>Read-only</source>
        <translation>Schreibgeschützt</translation>
    </message>
    <message>
        <source>Cannot read the file</source>
        <translation>Die Datei kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>File not exists:<byte value="xd"/>%1</source>
        <translation>Die Datei existiert nicht:<byte value="xd"/>%1</translation>
    </message>
    <message>
        <source><byte value="xd"/><byte value="xd"/>The definitions were read again from the file; make the change once more if it is still wanted.</source>
        <translation><byte value="xd"/><byte value="xd"/>Die Definitionen wurden neu aus der Datei gelesen; nehmen Sie die Änderung noch einmal vor, wenn sie noch gewünscht ist.</translation>
    </message>
</context>
<context>
    <name>calc::TfrmEditDefinition</name>
    <message>
        <source>Edit Definition</source>
        <translation>Definition bearbeiten</translation>
    </message>
    <message>
        <source> Definition Type: </source>
        <translation> Art der Definition: </translation>
    </message>
    <message>
        <source>Constant</source>
        <translation>Konstante</translation>
    </message>
    <message>
        <source>Function</source>
        <translation>Funktion</translation>
    </message>
    <message>
        <source>Definition:</source>
        <translation>Definition:</translation>
    </message>
    <message>
        <source>Comment:</source>
        <translation>Kommentar:</translation>
    </message>
    <message>
        <source>The character %1 cannot be stored in a definitions file, which holds ISO-8859-1 text only.</source>
        <translation>Das Zeichen %1 kann nicht in einer Definitionsdatei gespeichert werden; sie enthält nur ISO-8859-1-Text.</translation>
    </message>
    <message>
        <source>The comment holds the character %1, which a definitions file cannot store: it holds ISO-8859-1 text only.</source>
        <translation>Der Kommentar enthält das Zeichen %1, das eine Definitionsdatei nicht speichern kann: sie enthält nur ISO-8859-1-Text.</translation>
    </message>
</context>
<context>
    <name>calc::TfrmEditDefsFile</name>
    <message>
        <source>Edit Definitions File</source>
        <translation>Definitionsdatei bearbeiten</translation>
    </message>
    <message>
        <source>Search definition:</source>
        <translation>Definition suchen:</translation>
    </message>
    <message>
        <source>Go</source>
        <translation>Los</translation>
    </message>
    <message>
        <source>Select &amp;All</source>
        <translation>&amp;Alles auswählen</translation>
    </message>
    <message>
        <source>Select All|Selects the entire document</source>
        <translation>Alles auswählen|Wählt den ganzen Text aus</translation>
    </message>
    <message>
        <source>%1:%2 (%3 selected)</source>
        <translation>%1:%2 (%3 ausgewählt)</translation>
    </message>
    <message>
        <source>Line %1, column %2: the character %3 cannot be stored in a definitions file, which holds ISO-8859-1 text only.</source>
        <translation>Zeile %1, Spalte %2: Das Zeichen %3 kann nicht in einer Definitionsdatei gespeichert werden; sie enthält nur ISO-8859-1-Text.</translation>
    </message>
    <message>
        <source>You have modified definitions. Exit without saving?</source>
        <translation>Sie haben Definitionen geändert. Ohne Speichern beenden?</translation>
    </message>
</context>
<context>
    <name>calc::TfrmExpressionView</name>
    <message>
        <source>did you mean &quot;%1&quot;?</source>
        <translation>meinten Sie &quot;%1&quot;?</translation>
    </message>
</context>
<context>
    <name>calc::TfrmHelp</name>
    <message>
        <source>Not found</source>
        <translation>Nicht gefunden</translation>
    </message>
    <message>
        <source>Zembrical Calculator Help</source>
        <translation>Hilfe zu Zembrical Calculator</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Contents</source>
        <translation>Inhalt</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
</context>
<context>
    <name>calc::TfrmHistory</name>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Expression</source>
        <translation>Ausdruck</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>Use</source>
        <translation>Verwenden</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Copy Expression</source>
        <translation>Ausdruck kopieren</translation>
    </message>
    <message>
        <source>Copy Result</source>
        <translation>Ergebnis kopieren</translation>
    </message>
    <message>
        <source>Search|Show only the entries that contain a text</source>
        <translation>Suchen|Nur die Einträge zeigen, die einen Text enthalten</translation>
    </message>
</context>
<context>
    <name>calc::TfrmOptions</name>
    <message>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>Calculator</source>
        <translation>Rechner</translation>
    </message>
    <message>
        <source>Interface</source>
        <translation>Oberfläche</translation>
    </message>
    <message>
        <source> Decimal and list separators </source>
        <translation> Dezimal- und Listentrennzeichen </translation>
    </message>
    <message>
        <source>(mixed mode)</source>
        <translation>(gemischt)</translation>
    </message>
    <message>
        <source>Save History</source>
        <translation>Verlauf speichern</translation>
    </message>
    <message>
        <source> Expression Font </source>
        <translation> Schrift des Ausdrucks </translation>
    </message>
    <message>
        <source>TestFunc(X) = 12 345 679 * 8 - X</source>
        <translation>TestFunc(X) = 12 345 679 * 8 - X</translation>
    </message>
    <message>
        <source>Select...</source>
        <translation>Auswählen...</translation>
    </message>
    <message>
        <source>Right Align Results</source>
        <translation>Ergebnisse rechtsbündig</translation>
    </message>
    <message>
        <source> Toolbar Theme </source>
        <translation> Stil der Werkzeugleiste </translation>
    </message>
    <message>
        <source>Gradient</source>
        <translation>Farbverlauf</translation>
    </message>
    <message>
        <source>Use System Style</source>
        <translation>Systemstil verwenden</translation>
    </message>
</context>
<context>
    <name>calc::TfrmResultFormats</name>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Nein</translation>
    </message>
    <message>
        <source>Result Formats</source>
        <translation>Ergebnisformate</translation>
    </message>
    <message>
        <source>Move Up</source>
        <translation>Nach oben</translation>
    </message>
    <message>
        <source>Move Down</source>
        <translation>Nach unten</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>Anzeigen</translation>
    </message>
    <message>
        <source>Hide</source>
        <translation>Ausblenden</translation>
    </message>
    <message>
        <source>Default (*)</source>
        <translation>Standard (*)</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Übernehmen</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Einstellung</translation>
    </message>
</context>
<context>
    <name>calc::TfrmResultsView</name>
    <message>
        <source>Copy Selected Result (%1)</source>
        <translation>Ausgewähltes Ergebnis kopieren (%1)</translation>
    </message>
    <message>
        <source>Copy All Results</source>
        <translation>Alle Ergebnisse kopieren</translation>
    </message>
</context>
</TS>
