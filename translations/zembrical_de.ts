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
