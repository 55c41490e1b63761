<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="nl">
<context>
    <name>BackgroundNotice</name>
    <message>
        <source>Playing on in the background</source>
        <translation>Speelt verder op de achtergrond</translation>
    </message>
    <message>
        <source>The window is closed, the station plays on. Start the program again or use the desktop&apos;s media controls to bring the window back; Ctrl+Q in the window ends the program.</source>
        <translation>Het venster is gesloten, de zender speelt verder. Start het programma opnieuw of gebruik de mediabediening van het bureaublad om het venster terug te halen; Ctrl+Q in het venster sluit het programma af.</translation>
    </message>
</context>
<context>
    <name>GstMediaPlayer</name>
    <message>
        <source>Connecting...</source>
        <translation>Verbinden...</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Gestopt</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Gereed</translation>
    </message>
    <message>
        <source>Stream not found</source>
        <translation>Stream niet gevonden</translation>
    </message>
    <message>
        <source>Cannot play this stream</source>
        <translation>Deze stream kan niet worden afgespeeld</translation>
    </message>
    <message>
        <source>Cannot connect to the stream</source>
        <translation>Geen verbinding met de stream</translation>
    </message>
    <message>
        <source>Connection lost</source>
        <translation>Verbinding verbroken</translation>
    </message>
    <message>
        <source>Buffering %1%</source>
        <translation>Bufferen %1%</translation>
    </message>
    <message>
        <source>Playing</source>
        <translation>Speelt af</translation>
    </message>
    <message>
        <source>Playing: %1</source>
        <translation>Speelt af: %1</translation>
    </message>
    <message>
        <source>Reconnecting...</source>
        <translation>Opnieuw verbinden...</translation>
    </message>
    <message>
        <source>Reconnecting in %1 s...</source>
        <translation>Opnieuw verbinden over %1 s...</translation>
    </message>
    <message>
        <source>Silent since %1, trying again in %2 s</source>
        <translation>Stil sinds %1, nieuwe poging over %2 s</translation>
    </message>
</context>
<context>
    <name>profilecheck</name>
    <message>
        <source>%1 is a link to %2, which does not exist.</source>
        <translation>%1 verwijst naar %2, dat niet bestaat.</translation>
    </message>
    <message>
        <source>%1 is missing.</source>
        <translation>%1 ontbreekt.</translation>
    </message>
    <message>
        <source>%1 is a folder, not a file.</source>
        <translation>%1 is een map, geen bestand.</translation>
    </message>
    <message>
        <source>%1 is not a plain file.</source>
        <translation>%1 is geen gewoon bestand.</translation>
    </message>
    <message>
        <source>%1 cannot be read: %2</source>
        <translation>%1 kan niet worden gelezen: %2</translation>
    </message>
    <message>
        <source>%1 does not hold the settings of this program (it names no language).</source>
        <translation>%1 bevat de instellingen van dit programma niet (er staat geen taal in).</translation>
    </message>
    <message>
        <source>%1: the remembered volume &quot;%2&quot; is not a whole number.</source>
        <translation>%1: het onthouden volume &quot;%2&quot; is geen geheel getal.</translation>
    </message>
    <message>
        <source>%1 is a file; the favourites are kept in a folder of that name.</source>
        <translation>%1 is een bestand; de favorieten horen in een map met die naam.</translation>
    </message>
    <message>
        <source>The favourites folder %1 is missing.</source>
        <translation>De map met favorieten %1 ontbreekt.</translation>
    </message>
</context>
</TS>
