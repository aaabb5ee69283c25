<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>Display Message</name>
    <message>
        <source>%1 %2 - FATAL ERROR: %3
</source>
        <comment>Used for fatal error message
%1: product name
%2: executable name
%3: message to display</comment>
        <translation>%1 %2 - ERREUR FATALE : %3
</translation>
    </message>
</context>
<context>
    <name>Fatal Error</name>
    <message>
        <source>Error(s) in command line</source>
        <translation>Erreur(s) dans la ligne de commande</translation>
    </message>
    <message>
        <source>Cannot open config file %1</source>
        <translation>Impossible d&apos;ouvrir le fichier de configuration %1</translation>
    </message>
</context>
</TS>
