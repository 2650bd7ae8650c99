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

inline QString str(const char16_t *text) { return QString::fromUtf16(text); }

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
    u"Copyright \u00a9 2006-2026 The ZKD735 Data Recorder developers\r\nVersion 2.1";

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
inline constexpr LangText TransmissionErrorTitle{u"Bitte Messung neu starten !",
                                                 u"Please start the transmission again !",
                                                 u"Erreur transmission de donn\u00e9es"};

// ---- Graph preview -------------------------------------------------------
inline constexpr const char16_t *GraphCaptionInitial = u"INP 1  +  INP 2  Preview Graph    ";
inline constexpr LangText GraphCaption{u"INP 1  INP 2  Vorschau Grafik ", u"INP 1  INP 2  Preview Graph",
                                       u"INP 1  INP 2  aprecu"};
inline constexpr const char16_t *GraphInp1Act = u"INP 1  ACT = ";
inline constexpr const char16_t *GraphInp2Act = u"INP 2  ACT =";
inline constexpr const char16_t *GraphLoggingTime = u" Data logging time.. ";
inline constexpr const char16_t *GraphSeconds = u" Sec.";

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

// ---- Messages of our own (faults the program reports in plain words) --------
inline constexpr LangText SettingsReadError{
    u"Die Einstellungsdatei \"%1\" konnte nicht gelesen werden: %2\r\nEs gelten die Standardeinstellungen.",
    u"The settings file \"%1\" could not be read: %2\r\nThe built-in settings are used.",
    u"Le fichier de param\u00e8tres \"%1\" n'a pas pu \u00eatre lu : %2\r\nLes param\u00e8tres par d\u00e9faut sont utilis\u00e9s."};
inline constexpr const char16_t *SettingsReadErrorNone =
    u"The settings file \"%1\" could not be read: %2\r\nThe built-in settings are used.";

} // namespace texts
} // namespace zkd
