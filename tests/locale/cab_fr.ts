<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>CAB</name>
    <message>
        <source>Command analysis</source>
        <translation>Analyse de la commande</translation>
    </message>
    <message>
        <source>Unknown option,</source>
        <translation>Option inconnue,</translation>
    </message>
</context>
<context>
    <name>Command-line</name>
    <message>
        <source>
Usage kyvld :
	&lt;xob&gt;[ xob]
	[-KYV=&lt;file&gt;]
	[-XREF=&lt;file&gt;]
	[-RULE=&lt;file&gt;]
	[-HEADER=&lt;file&gt;]
	[-TEST]
	[-SILENT[=&lt;0&gt;]]
	[-VERSION]
</source>
        <translation>
Utilisation de kyvld :
	&lt;xob&gt;[ xob]
	[-KYV=&lt;fichier&gt;]
	[-XREF=&lt;fichier&gt;]
	[-RULE=&lt;fichier&gt;]
	[-HEADER=&lt;fichier&gt;]
	[-TEST]
	[-SILENT[=&lt;0&gt;]]
	[-VERSION]
</translation>
    </message>
</context>
</TS>
