#pragma once

#include "util/Language.h"

#include <QString>
#include <optional>

namespace zkd {

// One user-visible text in the three languages. A null entry means the text
// is not touched for that language (the text as built stays).
struct LangText
{
    const char16_t *de;
    const char16_t *en;
    const char16_t *fr;
};

// The text for the language, or nothing when the language is none of the
// three or the entry for it is null.
std::optional<QString> pick(const Language &language, const LangText &text);
// As pick(), but an empty text where pick() gives nothing.
QString pickOrEmpty(const Language &language, const LangText &text);
// As pick(), but the English text where pick() gives nothing: for texts the
// program adds in its own words.
inline QString pickOrEnglish(const Language &language, const LangText &text)
{
    return pick(language, text).value_or(QString::fromUtf16(text.en));
}

inline QString str(const char16_t *text)
{
    return QString::fromUtf16(text);
}

// Every text the program shows, in one place.
namespace texts {

// ---- Application --------------------------------------------------------
inline constexpr const char16_t *AppTitle = u"ZKD735_DataRecorder";
inline constexpr const char16_t *MainWindowTitle = u"ZKD735  Data Recorder";
inline constexpr const char16_t *TableHeader =
    u"     Time        ACT 1        MAX 1       MIN 1        ACT 2        MAX 2      MIN 2 ";
inline constexpr const char16_t *WorkFileName = u"Senso.scx";
inline constexpr const char16_t *HeaderSnapshotName = u"senso.scy";
inline constexpr const char16_t *SettingsFileName = u"scx.ini";
inline constexpr const char16_t *SensorFileName = u"sensor.ini";
inline constexpr const char16_t *ManualName = u"ZKD735.pdf";
inline constexpr const char16_t *CloseExcel =
    u"Please close Microsoft EXCEL ! \r\nBitte Microsoft EXCEL schlie\u00dfen ! ";
inline constexpr const char16_t *CloseExcelTitle = u" ZKD735 ";
inline constexpr const char16_t *AboutApp = u"ZKD735";
inline constexpr const char16_t *AboutText =
    u"Copyright \u00a9 2026 The ZKD735 Data Recorder developers\r\nVersion 2.1";

// Main-window captions as built.
inline constexpr const char16_t *MenuFile = u"&File";
inline constexpr const char16_t *MenuStartStop = u"&Start / Stop";
inline constexpr const char16_t *MenuSave = u"&Save";
inline constexpr const char16_t *MenuOpen = u"&Open";
inline constexpr const char16_t *MenuExportExcel = u"Daten Export --> Excel";
inline constexpr const char16_t *MenuExportNotepad = u"Daten Export -->Notepad";
inline constexpr const char16_t *MenuExit = u"&Exit";
inline constexpr const char16_t *MenuSettings = u"&Settings";
inline constexpr const char16_t *MenuUserSettings = u"&User settings";
inline constexpr const char16_t *MenuPortOpen = u"Port &Open";
inline constexpr const char16_t *MenuComSettings = u"&ComPort Settings...";
inline constexpr const char16_t *MenuInfo = u"&Info";
inline constexpr const char16_t *MenuHelp = u"&?";
inline constexpr const char16_t *NotesCaption = u"Notizen";
inline constexpr const char16_t *TipButton1 = u"Start / Stopp";
inline constexpr const char16_t *TipButton2 = u"Messdaten speichern";
inline constexpr const char16_t *TipButton3 = u"Messdaten \u00f6ffnen";
inline constexpr const char16_t *TipButton4 = u"Messdaten l\u00f6schen";
inline constexpr const char16_t *TipButton5 = u"Programm beenden";
inline constexpr const char16_t *SensorButton = u"Sensor Typen";
inline constexpr const char16_t *Form2Caption = u"  Me\u00dfdaten l\u00f6schen";
// Captions of the main window's value groups; %1 is the input, 1 or 2.
inline constexpr const char16_t *InputCaption = u"INP %1";
inline constexpr const char16_t *ActCaption = u"ACT %1";
inline constexpr const char16_t *MaxCaption = u"MAX %1";
inline constexpr const char16_t *MinCaption = u"MIN %1";
inline constexpr const char16_t *TimeCaption = u"Time";
inline constexpr const char16_t *ScaleBuilt = u"*";
inline constexpr const char16_t *SensorField1Built = u"SK1";
inline constexpr const char16_t *SensorField2Built = u"SK2";
inline constexpr const char16_t *KopfLesenCaption = u"KopfLesen";
// Buttons of message boxes that the platform has no standard text for.
inline constexpr const char16_t *ButtonTryAgain = u"Try Again";
inline constexpr const char16_t *ButtonContinue = u"Continue";

// Start-up language table: entries a language does not touch are null.
inline constexpr LangText LangForm2Caption{nullptr, u" Clean Measurement", u" Efface donn\u00e9es"};
inline constexpr LangText LangLabel2{u"Notizen", u"Notes", u"Note"};
inline constexpr LangText LangText2Tip{u"Notitzen f\u00fcr diese Messung", u"Notes for this measurement",
                                       u"Note mesure actuelle"};
inline constexpr LangText LangMenuFile{u"&Datei", nullptr, nullptr};
inline constexpr LangText LangMenuSave{u"&Speichern", nullptr, u"&Sauver"};
inline constexpr LangText LangMenuOpen{u"&\u00d6ffnen", nullptr, u"&Ouvrir"};
inline constexpr LangText LangMenuSettings{u"&Einstellungen", nullptr, u"&Options"};
inline constexpr LangText LangMenuUserSettings{u"&Programm Optionen", nullptr, u"&User Setting"};
inline constexpr LangText LangTipButton1{nullptr, u"Start/Stop", u"Start/Stop"};
inline constexpr LangText LangTipButton2{nullptr, u" Save the Measurement File", u" Enregistrer la mesure"};
inline constexpr LangText LangTipButton3{nullptr, u" Open Measurement Files", u" Ouvre mesure"};
inline constexpr LangText LangTipButton5{nullptr, u" Exit", u"Fin"};
inline constexpr LangText LangTipButton4{nullptr, u" Delete Measurement Files", u" Efface donn\u00e9es de mesure"};

// ---- Measurement run and record processing -------------------------------
inline constexpr LangText StartLineTime{u"    Uhrzeit: ", u"  Time: ", u"  Temps: "};
inline constexpr LangText StartLineDate{u"    Datum: ", u"  Date: ", u"  Date: "};
inline constexpr LangText NotesTime{u"  Uhrzeit: ", u"  Time: ", u"  Temps: "};
inline constexpr LangText NotesDate{u"  Datum: ", u"  Date: ", u"  Date: "};
inline constexpr const char16_t *NotesLabel = u"Notes :  ";
inline constexpr const char16_t *OverflowMark = u"Ovl";
inline constexpr const char16_t *OverflowValue = u"*Ovl*";

// ---- Serial link ---------------------------------------------------------
inline constexpr const char16_t *CommErrorTitle = u"Click Cancel to quit, OK to ignore.";
inline constexpr const char16_t *CtsTimeout = u"CTS Timeout";
inline constexpr const char16_t *DsrTimeout = u"DSR Timeout";
inline constexpr const char16_t *OverrunError = u"Overrun Error";
inline constexpr const char16_t *UnknownCommError = u"Unknown error or event";
inline constexpr const char16_t *DataCannotBeSent = u"Data cannot be sent";

// ---- Device header -------------------------------------------------------
inline constexpr LangText TransmissionError{
    u" Es ist ein \u00dcbertragungsfehler aufgetreten... Bitte Dr\u00fccken Sie Start/ Stopp !",
    u"Data transsmision error... Please press Start / Stop again !",
    u"Erreur transmission de donn\u00e9es ... appuyez encore sur Start / Stop s.v.p"};
inline constexpr LangText TransmissionErrorTitle{
    u"Bitte Messung neu starten !", u"Please start the transmission again !", u"Erreur transmission de donn\u00e9es"};

// ---- Graph preview -------------------------------------------------------
inline constexpr const char16_t *GraphCaptionInitial = u"INP 1  +  INP 2  Preview Graph    ";
inline constexpr LangText GraphCaption{u"INP 1  INP 2  Vorschau Grafik ", u"INP 1  INP 2  Preview Graph",
                                       u"INP 1  INP 2  aprecu"};
inline constexpr const char16_t *GraphInp1Act = u"INP 1  ACT = ";
inline constexpr const char16_t *GraphInp2Act = u"INP 2  ACT =";
inline constexpr const char16_t *GraphLoggingTime = u" Data logging time.. ";
inline constexpr const char16_t *GraphSeconds = u" Sec.";
inline constexpr const char16_t *GraphScale1Built = u"10000";
inline constexpr const char16_t *GraphUnit1Built = u"1";
inline constexpr const char16_t *GraphUnit2Built = u"2";
inline constexpr const char16_t *GraphLoggingTimeBuilt = u"*";
inline constexpr const char16_t *GraphActBuilt = u"999,9";

// Working with the graph: zoom, pan, the way back to the live view and the
// exports of its context menu. Without a language the English text is used.
inline constexpr LangText GraphLiveButton{u"Live-Ansicht", u"Live view", u"Vue en direct"};
inline constexpr LangText GraphLiveTip{u"Zur\u00fcck zu den letzten zehn Minuten (Doppelklick, Pos1)",
                                       u"Back to the last ten minutes (double-click, Home)",
                                       u"Retour aux dix derni\u00e8res minutes (double-clic, Origine)"};
inline constexpr LangText GraphLiveAction{u"Zur\u00fcck zur Live-Ansicht", u"Back to the live view",
                                          u"Retour \u00e0 la vue en direct"};
inline constexpr LangText GraphSavePicture{u"Bild speichern\u2026", u"Save picture\u2026",
                                           u"Enregistrer l'image\u2026"};
inline constexpr LangText GraphSaveData{u"Daten speichern\u2026", u"Save data\u2026",
                                        u"Enregistrer les donn\u00e9es\u2026"};
inline constexpr LangText GraphPictureTitle{u"Bild der Grafik speichern", u"Save a picture of the graph",
                                            u"Enregistrer une image du graphique"};
inline constexpr LangText GraphPictureFilter{u"PNG-Bild (*.png)|*.png|SVG-Zeichnung (*.svg)|*.svg",
                                             u"PNG picture (*.png)|*.png|SVG drawing (*.svg)|*.svg",
                                             u"Image PNG (*.png)|*.png|Dessin SVG (*.svg)|*.svg"};
inline constexpr LangText GraphDataTitle{u"Daten der Grafik speichern", u"Save the data of the graph",
                                         u"Enregistrer les donn\u00e9es du graphique"};
inline constexpr LangText GraphDataFilter{u"CSV-Datei (*.csv)|*.csv", u"CSV file (*.csv)|*.csv",
                                          u"Fichier CSV (*.csv)|*.csv"};
inline constexpr const char16_t *GraphPictureName = u"graph.png";
inline constexpr const char16_t *GraphDataName = u"graph.csv";
// First column of the saved data: the second of each sample since the graph started.
inline constexpr LangText GraphDataTime{u"Zeit (s)", u"Time (s)", u"Temps (s)"};
// %1: the file that exists already.
inline constexpr LangText GraphReplace{u"Die Datei \"%1\" gibt es schon. Soll sie ersetzt werden?",
                                       u"The file \"%1\" exists already. Do you want to replace it?",
                                       u"Le fichier \"%1\" existe d\u00e9j\u00e0. Voulez-vous le remplacer ?"};
// %1: the folder; %2: the file's name.
inline constexpr LangText GraphWriteFailed{
    u"\"%2\" konnte im Ordner \"%1\" nicht gespeichert werden. Bitte pr\u00fcfen Sie, ob es den Ordner gibt und ob "
    u"Sie darin schreiben d\u00fcrfen. Es wurde nichts gespeichert.",
    u"\"%2\" could not be saved in the folder \"%1\". Please check that the folder exists and that you may write "
    u"to it. Nothing was saved.",
    u"\"%2\" n'a pas pu \u00eatre enregistr\u00e9 dans le dossier \"%1\". V\u00e9rifiez que le dossier existe et "
    u"que vous pouvez y \u00e9crire. Rien n'a \u00e9t\u00e9 enregistr\u00e9."};
inline constexpr LangText GraphChartName{u"Verlauf von Eingang 1 und 2", u"Trend of input 1 and 2",
                                         u"Courbe des entr\u00e9es 1 et 2"};
inline constexpr LangText GraphChartDescription{
    u"Mausrad: Zeitachse zoomen; Ziehen: verschieben; Doppelklick: zur\u00fcck zur Live-Ansicht",
    u"Mouse wheel: zoom the time axis; drag: move it; double-click: back to the live view",
    u"Molette : zoomer l'axe du temps ; glisser : le d\u00e9placer ; double-clic : retour \u00e0 la vue en direct"};

// What assistive tools read from the meters and scales; %1 is the input, 1 or 2.
inline constexpr LangText AccessBarName{u"Balkenanzeige Eingang %1", u"Bar meter of input %1",
                                        u"Barre de niveau de l'entr\u00e9e %1"};
// %1: the level; %2: the full scale.
inline constexpr LangText AccessBarDescription{u"Pegel %1 von Vollausschlag %2", u"Level %1 of full scale %2",
                                               u"Niveau %1 sur pleine \u00e9chelle %2"};
inline constexpr LangText AccessScaleDescription{u"Skala von Eingang %1", u"Scale of input %1",
                                                 u"\u00c9chelle de l'entr\u00e9e %1"};
// What assistive tools call the live table of received lines.
inline constexpr LangText AccessTableName{u"Tabelle der empfangenen Messwerte", u"Table of received measurements",
                                          u"Tableau des mesures re\u00e7ues"};

// ---- Save, open, export ---------------------------------------------------
inline constexpr LangText SaveDialogTitle{u"M\u00f6chten Sie die Messung Speichern ?",
                                          u"Do you want to save the measurement ?",
                                          u"Voulez vous sauvegarder la mesure ?"};
inline constexpr LangText OverwriteBefore{u"Soll die Datei  ", u"Do you want to replace the file  ",
                                          u"Voulez vous sauvergarder le Ficher "};
inline constexpr LangText OverwriteAfter{u" \u00fcberschreiben ?? ", u" ", u"  "};
inline constexpr const char16_t *CsvFilter = u"Filetyp Excel(*.csv)|*.csv";
inline constexpr const char16_t *OpenFilter = u"Filetyp Excel(*.csv)|*.csv|All Files (*.*)|*.*";
inline constexpr LangText OpenDialogTitle{u"Dateien von s\u00e4mtlichen Messungen", u"Measurment Files",
                                          u"Liste des fichiers types"};
inline constexpr LangText SaveQuestion{u"Wollen Sie die Me\u00dfdaten speichern ? ",
                                       u"Do you want to save the datafile ?",
                                       u"Voulez vous sauvegarder les donn\u00e9es ?"};
inline constexpr LangText ExportMissingExcel{u"Es sind keine Daten vorhanden,", u"Data for export missing,",
                                             u"Donnes pour export manque,"};
inline constexpr LangText ExportMissingEditor{u" Es sind keine Daten vorhanden,", u" Data for export missing,",
                                              u" Donnes pour export manque,"};
inline constexpr LangText ExportMissingLine2{u" Bitte die Messung erst speichern !  ",
                                             u" Please save the measurement first !",
                                             u" Veuillez sauvegarder la mesure d\u00b4abord !"};
inline constexpr const char16_t *DefaultSpreadsheet = u"WRITE";
inline constexpr const char16_t *EditorSmall = u"Notepad";
inline constexpr const char16_t *EditorLarge = u"Write";

// ---- Delete dialog --------------------------------------------------------
inline constexpr LangText DeleteTipButton1{u"Datei l\u00f6schen", u"Delete file", u"Efface donn\u00e9es"};
inline constexpr LangText DeleteTipButton2{u"Verlassen ohne speichern", u"Exit", u"Fin"};
inline constexpr LangText DeleteQuestion{u"Wollen sie die Datei l\u00f6schen !",
                                         u"Do you want to delete the selected file ?",
                                         u" Efface donn\u00e9es de mesure ?"};
inline constexpr LangText DeleteQuestionTitle{u" Datei l\u00f6schen !", u" delete the selected file",
                                              u" Efface donn\u00e9es de mesure"};

// ---- Settings dialog ------------------------------------------------------
inline constexpr const char16_t *SettingsCaptionBuilt = u" User Settings";
inline constexpr const char16_t *SettingsPathBuilt = u"MS Excel ??";
inline constexpr const char16_t *SettingsLabel2Built = u"Label2";
inline constexpr const char16_t *SettingsPreview = u" ZKD735 ";
inline constexpr const char16_t *SettingsExtendedBuilt = u"Extendet";
inline constexpr const char16_t *SettingsPortTip = u"RS 232 Port";
inline constexpr const char16_t *SettingsBrowseFilter = u"Filetyp Exe(*.exe)|Excel.exe|";
inline constexpr LangText SettingsCaption{u" Einstellungen ", u" User Settings", u" Pr\u00e9f\u00e9rences"};
inline constexpr LangText SettingsLabel2{u"Wo befindet sich Excel ->( Pfadangabe )",
                                         u"Where is MS-Excel->( Path input )",
                                         u"Ou est MS-Excel -> ( enterz repertoire )"};
inline constexpr LangText SettingsLabel3{u"RS 232 Port", u"RS 232 Port", u"Port RS232"};
inline constexpr LangText SettingsLabel4{u"Sprache", u"Language", u"Langage"};
inline constexpr LangText SettingsLabel5{u"Farben des Datensicht-Fensters", u"Colours of data windows",
                                         u"Couleurs de fen\u00eatres de donne\u00e9s"};
inline constexpr LangText SettingsForeTip{u" Vordergrund Farbe", u"ForeColor", u"Premier plan"};
inline constexpr LangText SettingsBackTip{u"Hintergrund Farbe", u"BackColor", u"Fond "};
inline constexpr LangText SettingsCheck1{u"Erweiterter Modus", u"Extended Mod", u"Extended Mod"};
inline constexpr LangText SettingsTipButton1{u"\u00c4nderungen abspeichern", u"Save", u"Sauver"};
inline constexpr LangText SettingsTipButton2{u"Verlassen ohne speichern", u"Exit", u"Fin"};
inline constexpr LangText SettingsTipButton3{u"Pfadangabe f\u00fcr EXCEL", u"Save the EXCEL Path ",
                                             u"Sauver EXCEL repertoire  "};
inline constexpr LangText BrowseWarning{
    u"Wenn auf Ihrem Rechner kein Excel installiert ist, Bitte Abbrechen w\u00e4hlen !\r\n"
    u"Es wird dann automatisch Notepad /Write /Wordpad angew\u00e4hlt !",
    u"If Excel isn't installed on this PC, chose Cancel, \r\n Notepad /Write / Wordpad will be chosen automatically",
    u"Si Excel n'est pas installer, veuillez s\u00e9lectionner Annule, \r\n"
    u" Notepad /Write /Wordpad sera s\u00e9lectionn\u00e9 automatiquement"};
inline constexpr LangText BrowseTitle{u"Wo befindet sich Excel ->( Pfadangabe )", u"Where is MS-Excel->( Path input )",
                                      u"Ou est MS-Excel -> ( enter r\u00e9pertoire )"};
// The language entries of the settings dialog, in the order it lists them.
inline constexpr const char16_t *SettingsLanguages[] = {u"Deutsch", u"English", u"Francais"};
// Appended to the browse filter where programs carry no ".exe" ending.
inline constexpr const char16_t *SettingsBrowseAllFiles = u"All Files (*)|*";

// ---- Messages of our own (faults the program reports in plain words) --------
// A settings file that could not be used whole. %1: the file; %2: one line per problem.
inline constexpr LangText SettingsReadError{
    u"Einige Einstellungen in \"%1\" konnten nicht verwendet werden:\r\n%2\r\nF\u00fcr sie gelten die eingebauten "
    u"Werte.",
    u"Some settings in \"%1\" could not be used:\r\n%2\r\nThe built-in values are used for them.",
    u"Certains param\u00e8tres de \"%1\" n'ont pas pu \u00eatre utilis\u00e9s :\r\n%2\r\nLes valeurs par d\u00e9faut "
    u"sont utilis\u00e9es pour eux."};
inline constexpr const char16_t *SettingsReadErrorNone =
    u"Some settings in \"%1\" could not be used:\r\n%2\r\nThe built-in values are used for them.";
// One problem each; %1 is what the file holds, %2 the line.
inline constexpr LangText SettingsProblemRead{u"- die Datei kann nicht gelesen werden (%1)",
                                              u"- the file cannot be read (%1)",
                                              u"- le fichier ne peut pas \u00eatre lu (%1)"};
inline constexpr LangText SettingsProblemColour{
    u"- Zeile %2: \"%1\" ist keine Farbnummer von 0 bis 15", u"- line %2: \"%1\" is not a colour number from 0 to 15",
    u"- ligne %2 : \"%1\" n'est pas un num\u00e9ro de couleur de 0 \u00e0 15"};
inline constexpr LangText SettingsProblemPort{u"- Zeile 2: kein serieller Anschluss angegeben",
                                              u"- line 2: no serial port is given",
                                              u"- ligne 2 : aucun port s\u00e9rie n'est indiqu\u00e9"};
// %1: what line 2 holds; %2: the highest port number.
inline constexpr LangText SettingsProblemPortNumber{
    u"- Zeile 2: \"%1\" ist keine Anschlussnummer von 1 bis %2", u"- line 2: \"%1\" is not a port number from 1 to %2",
    u"- ligne 2 : \"%1\" n'est pas un num\u00e9ro de port de 1 \u00e0 %2"};
inline constexpr LangText SettingsProblemBaud{u"- Zeile 6: \"%1\" ist keine Baudrate",
                                              u"- line 6: \"%1\" is not a baud rate",
                                              u"- ligne 6 : \"%1\" n'est pas une vitesse en bauds"};
// Save, open, export and help failures. Without a language the English text
// is shown: a fault the user must act on is never reported as an empty box.
// %1: the reason; %2: the working file that still holds the recording.
inline constexpr LangText SaveFailed{
    u"Die Messung konnte nicht gespeichert werden:\r\n%1\r\nDie Aufzeichnung bleibt in der Arbeitsdatei \"%2\".",
    u"The measurement could not be saved:\r\n%1\r\nThe recording is kept in the working file \"%2\".",
    u"La mesure n'a pas pu \u00eatre sauvegard\u00e9e :\r\n%1\r\n"
    u"L'enregistrement reste dans le fichier de travail \"%2\"."};
// %1: the program; %2: the platform's reason.
inline constexpr LangText ProgramStartFailed{u"Das Programm \"%1\" konnte nicht gestartet werden:\r\n%2",
                                             u"The program \"%1\" could not be started:\r\n%2",
                                             u"Le programme \"%1\" n'a pas pu \u00eatre d\u00e9marr\u00e9 :\r\n%2"};
// %1: the file; %2: the program that was asked for and is not there.
inline constexpr LangText FileOpenFailed{
    u"Die Datei \"%1\" konnte nicht ge\u00f6ffnet werden: Das Programm \"%2\" wurde nicht gefunden, und f\u00fcr "
    u"diesen Dateityp ist kein Programm eingerichtet.",
    u"The file \"%1\" could not be opened: the program \"%2\" was not found, and no program is set up for this "
    u"type of file.",
    u"Le fichier \"%1\" n'a pas pu \u00eatre ouvert : le programme \"%2\" est introuvable et aucun programme "
    u"n'est configur\u00e9 pour ce type de fichier."};
// %1: the manual's path.
inline constexpr LangText ManualOpenFailed{
    u"Das Handbuch \"%1\" konnte nicht ge\u00f6ffnet werden. Es muss neben dem Programm liegen, und ein Programm "
    u"f\u00fcr PDF-Dokumente muss eingerichtet sein.",
    u"The manual \"%1\" could not be opened. It must lie beside the program, and a program for PDF documents "
    u"must be set up.",
    u"Le manuel \"%1\" n'a pas pu \u00eatre ouvert. Il doit se trouver \u00e0 c\u00f4t\u00e9 du programme, et "
    u"un programme pour les documents PDF doit \u00eatre configur\u00e9."};
inline constexpr LangText SettingsSaveError{
    u"Die Einstellungen konnten nicht in \"%1\" gespeichert werden: %2\r\n"
    u"Das Programm l\u00e4uft mit den bisherigen Einstellungen weiter.",
    u"The settings could not be saved to \"%1\": %2\r\nThe program keeps running with the previous settings.",
    u"Les param\u00e8tres n'ont pas pu \u00eatre enregistr\u00e9s dans \"%1\" : %2\r\n"
    u"Le programme continue avec les param\u00e8tres pr\u00e9c\u00e9dents."};
inline constexpr const char16_t *SettingsSaveErrorNone =
    u"The settings could not be saved to \"%1\": %2\r\nThe program keeps running with the previous settings.";
// The settings were written, but the new copy of the program did not start.
inline constexpr LangText RestartFailed{
    u"Die Einstellungen sind in \"%1\" gespeichert, aber \"%2\" konnte nicht neu gestartet werden.\r\n"
    u"Das Programm l\u00e4uft mit den bisherigen Einstellungen weiter; die neuen gelten ab dem n\u00e4chsten Start.",
    u"The settings are saved in \"%1\", but \"%2\" could not be started again.\r\n"
    u"The program keeps running with the previous settings; the new ones apply from the next start.",
    u"Les param\u00e8tres sont enregistr\u00e9s dans \"%1\", mais \"%2\" n'a pas pu \u00eatre red\u00e9marr\u00e9.\r\n"
    u"Le programme continue avec les param\u00e8tres pr\u00e9c\u00e9dents ; les nouveaux s'appliquent au prochain "
    u"d\u00e9marrage."};
inline constexpr const char16_t *RestartFailedNone =
    u"The settings are saved in \"%1\", but \"%2\" could not be started again.\r\n"
    u"The program keeps running with the previous settings; the new ones apply from the next start.";

// A file the program writes, found to be a symbolic link: nothing is written
// through it. %1: the file.
inline constexpr LangText LinkRefused{
    u"\"%1\" ist eine symbolische Verkn\u00fcpfung. Das Programm schreibt nicht durch Verkn\u00fcpfungen, damit "
    u"niemand es eine andere Datei \u00fcberschreiben lassen kann; es wurde nichts hineingeschrieben.\r\n"
    u"L\u00f6schen Sie die Verkn\u00fcpfung, oder starten Sie das Programm in einem eigenen Ordner.",
    u"\"%1\" is a symbolic link. The program does not write through links, so that nobody can make it overwrite "
    u"another file; nothing was written to it.\r\nDelete the link, or start the program in a folder of your own.",
    u"\"%1\" est un lien symbolique. Le programme n'\u00e9crit pas \u00e0 travers les liens, afin que personne ne "
    u"puisse lui faire \u00e9craser un autre fichier ; rien n'y a \u00e9t\u00e9 \u00e9crit.\r\n"
    u"Supprimez le lien, ou d\u00e9marrez le programme dans un dossier \u00e0 vous."};

// Single-instance notes on standard error. They come before the settings
// file is read, so in English. %1: the reason in words.
inline constexpr const char16_t *InstanceActivated =
    u"ZKD735_DataRecorder: another copy is running for this user; it was brought to the front, and this copy ends.";
inline constexpr const char16_t *InstanceNoAnswer =
    u"ZKD735_DataRecorder: another copy is running for this user but did not answer; this copy ends.";
inline constexpr const char16_t *InstanceUnchecked =
    u"ZKD735_DataRecorder: cannot tell whether another copy is running (%1); starting anyway.";
inline constexpr const char16_t *InstanceForeignSocket =
    u"ZKD735_DataRecorder: not connecting to a socket of someone else (%1).";
// %1: the user id of the other end.
inline constexpr const char16_t *InstanceForeignPeer =
    u"ZKD735_DataRecorder: refused a connection from another user (user id %1).";
// The user's configuration folder could not be created (installed copy); %1: the folder.
inline constexpr LangText ConfigFolderFailed{
    u"Der Ordner f\u00fcr die Einstellungen \"%1\" konnte nicht angelegt werden.\r\n"
    u"Das Programm l\u00e4uft mit den eingebauten Einstellungen; ge\u00e4nderte Einstellungen k\u00f6nnen nicht "
    u"gespeichert werden.",
    u"The settings folder \"%1\" could not be created.\r\n"
    u"The program runs with the built-in settings; changed settings cannot be saved.",
    u"Le dossier des param\u00e8tres \"%1\" n'a pas pu \u00eatre cr\u00e9\u00e9.\r\n"
    u"Le programme utilise les param\u00e8tres par d\u00e9faut ; des param\u00e8tres modifi\u00e9s ne peuvent pas "
    u"\u00eatre enregistr\u00e9s."};
// The measurement folder of a desktop start could not be created; %1: that
// folder, %2: the folder used instead.
inline constexpr LangText MeasurementFolderFailed{
    u"Der Messdaten-Ordner \"%1\" konnte nicht angelegt werden. Messungen werden in \"%2\" abgelegt.",
    u"The measurement folder \"%1\" could not be created. Measurements are kept in \"%2\".",
    u"Le dossier des mesures \"%1\" n'a pas pu \u00eatre cr\u00e9\u00e9. Les mesures sont enregistr\u00e9es dans "
    u"\"%2\"."};
// The measurement folder a desktop start works in, inside the home folder.
inline constexpr const char16_t *MeasurementFolderName = u"ZKD735";
// What ZKD735_DataRecorder --help prints.
inline constexpr const char16_t *WindowHelp =
    u"Usage: ZKD735_DataRecorder [options]\n"
    u"Records what the ZKD735 measuring instrument sends over its serial line, in a window.\n"
    u"\n"
    u"Options:\n"
    u"  -h, --help            Show this help.\n"
    u"  -v, --version         Show the name and version.\n"
    u"  --measurement-folder  Work in the folder ZKD735 in the home folder (created\n"
    u"                        when missing) instead of the current folder; the\n"
    u"                        desktop menu entry starts the program this way.\n"
    u"\n"
    u"The working file Senso.scx and the saved measurements are kept in the current\n"
    u"folder. A portable copy (a program folder the user may write to) keeps the\n"
    u"settings file scx.ini, sensor.ini, senso.scy and the manual beside the\n"
    u"program; an installed copy keeps the first three in the user's configuration\n"
    u"folder (~/.config/ZKD735_DataRecorder) and its manual in share/doc/zkd735.\n";

// ---- Recovery of the last unsaved run and the status bar ------------------
// Where no language is selected these show in English.
inline constexpr LangText MenuRecover{u"Letzte ungesicherte Messung wiederherstellen\u2026",
                                      u"Recover last unsaved measurement\u2026",
                                      u"R\u00e9cup\u00e9rer la derni\u00e8re mesure non sauvegard\u00e9e\u2026"};
// %1 the date and time of the kept recording, %2 the File menu's caption.
inline constexpr LangText RecoverAvailable{
    u"Eine ungesicherte Messung vom %1 kann \u00fcber das Men\u00fc \u201e%2\u201c wiederhergestellt werden.",
    u"An unsaved measurement from %1 can be recovered from the %2 menu.",
    u"Une mesure non sauvegard\u00e9e du %1 peut \u00eatre r\u00e9cup\u00e9r\u00e9e depuis le menu \u00ab %2 \u00bb."};
// %1 the kept recording's path.
inline constexpr LangText RecoverGone{
    u"Die ungesicherte Messung \"%1\" ist nicht mehr vorhanden oder leer. Es gibt nichts wiederherzustellen.",
    u"The unsaved measurement \"%1\" is no longer there or is empty. There is nothing to recover.",
    u"La mesure non sauvegard\u00e9e \"%1\" n'existe plus ou est vide. Il n'y a rien \u00e0 r\u00e9cup\u00e9rer."};
// %1 the kept recording's path, %2 the reason.
inline constexpr LangText RecoverUnreadable{u"Die ungesicherte Messung \"%1\" kann nicht gelesen werden: %2",
                                            u"The unsaved measurement \"%1\" cannot be read: %2",
                                            u"La mesure non sauvegard\u00e9e \"%1\" ne peut pas \u00eatre lue : %2"};
// %1 the reason, %2 the kept recording's path.
inline constexpr LangText RecoverFailed{
    u"Die Messung konnte nicht gespeichert werden: %1\r\nSie bleibt in \"%2\" erhalten.",
    u"The measurement could not be saved: %1\r\nIt stays in \"%2\".",
    u"La mesure n'a pas pu \u00eatre enregistr\u00e9e : %1\r\nElle reste dans \"%2\"."};
// %1 the file written, %2 the reason.
inline constexpr LangText RecoverNotRemoved{
    u"Die Messung ist als \"%1\" gespeichert, aber die Sicherung konnte nicht gel\u00f6scht werden: %2",
    u"The measurement is saved as \"%1\", but the backup could not be deleted: %2",
    u"La mesure est enregistr\u00e9e sous \"%1\", mais la sauvegarde n'a pas pu \u00eatre supprim\u00e9e : %2"};

inline constexpr LangText StatusClosed{u"Geschlossen", u"Closed", u"Ferm\u00e9"};
inline constexpr LangText StatusOpen{u"Offen", u"Open", u"Ouvert"};
inline constexpr LangText StatusRecording{u"Aufnahme", u"Recording", u"Enregistrement"};
// %1 lines, %2 bytes, both already formatted.
inline constexpr LangText StatusCounts{u"%1 Zeilen \u00b7 %2 Bytes", u"%1 lines \u00b7 %2 bytes",
                                       u"%1 lignes \u00b7 %2 octets"};
// %1 the free space, formatted with its unit.
inline constexpr LangText StatusFree{u"%1 frei", u"%1 free", u"%1 libres"};
inline constexpr LangText UnitMegabytes{u"MB", u"MB", u"Mo"};
inline constexpr LangText UnitGigabytes{u"GB", u"GB", u"Go"};
// %1 the free space, %2 the folder.
inline constexpr LangText StatusLowSpace{u"Wenig Speicherplatz: nur noch %1 frei in \"%2\".",
                                         u"Low disk space: only %1 free in \"%2\".",
                                         u"Espace disque faible : plus que %1 libres dans \"%2\"."};
inline constexpr LangText StatusPortTip{u"Schnittstelle und Einstellungen", u"Port and its settings",
                                        u"Port et ses param\u00e8tres"};
inline constexpr LangText StatusElapsedTip{u"Dauer der Aufnahme", u"Duration of the run", u"Dur\u00e9e de la mesure"};
inline constexpr LangText StatusFreeTip{u"Freier Platz im Ordner der Arbeitsdatei",
                                        u"Free space in the working file's folder",
                                        u"Espace libre dans le dossier du fichier de travail"};
// Shown where a value is not known.
inline constexpr const char16_t *StatusUnknown = u"\u2013";

} // namespace texts
} // namespace zkd
