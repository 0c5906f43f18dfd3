#include "app/lang/language.h"

#include <charconv>

// Only the narrow (UTF-8) interface is used; it needs no conversion library.
#define SI_NO_CONVERSION
// The Debian header holds its definitions behind SI_IMPLEMENTATION; using them keeps the
// reader header-only (no ICU at run time).
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "app/config/field_map.h"
#include "app/files/ini_text.h"
#include "chip/utf8_path.h"

namespace app {

namespace {

constexpr char kSection[] = "Language";

bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(chip::PathFromUtf8(path), error);
}

}  // namespace

LanguageChoice ChooseLanguage(const std::string& exePath) {
    if (FileExists(exePath + "lang.rus")) {
        return {"rus", "БИС преобразователя фаза-код QX5520", "Преобразователь QX5520"};
    }
    return {"eng", "PHASE OF QUADRATURE SIGNAL TO POSITION CODE CONVERSION IC QX5520", "QX5520 IC"};
}

bool LanguageFile::CaseInsensitiveLess::operator()(std::string_view a, std::string_view b) const {
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [](unsigned char x, unsigned char y) { return std::tolower(x) < std::tolower(y); });
}

LanguageFile::LanguageFile(const std::string& path) {
    // A folder of that name opens but throws on the first read: it counts as no file.
    std::error_code ignored;
    if (std::filesystem::is_directory(chip::PathFromUtf8(path), ignored)) return;
    std::ifstream stream(chip::PathFromUtf8(path), std::ios::binary);
    if (!stream) return;
    std::string data;
    try {
        data.assign(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure&) {
        return;  // unreadable: as a missing file
    }
    // A file saved by a Windows editor in Windows-1251 reads as the same text.
    const std::string text = IniTextAsUtf8(data);
    // CSimpleIniA is SimpleIni's case-insensitive variant (CSimpleIniCaseA matches case).
    CSimpleIniA ini;
    ini.SetUnicode(true);
    // A value in double quotes keeps its leading and trailing blanks ("Found: "), as the
    // platform's own INI reader does; the quotes are not part of the text.
    ini.SetQuotes(true);
    // A key that stands twice, also in a repeated section, reads its first value, as the
    // platform's reader does: every value is kept and the one loaded first is taken.
    ini.SetMultiKey(true);
    if (ini.LoadData(text.data(), text.size()) < 0) return;
    CSimpleIniA::TNamesDepend keys;
    if (!ini.GetAllKeys(kSection, keys)) return;
    for (const auto& key : keys) {
        CSimpleIniA::TNamesDepend values;
        ini.GetAllValues(kSection, key.pItem, values);
        const auto first =
            std::min_element(values.begin(), values.end(),
                             [](const CSimpleIniA::Entry& a, const CSimpleIniA::Entry& b) {
                                 return a.nOrder < b.nOrder;
                             });
        texts_.emplace(key.pItem, first != values.end() && first->pItem ? first->pItem : "");
    }
}

std::string LanguageFile::Text(std::string_view key) const {
    const auto found = texts_.find(key);
    return found == texts_.end() ? std::string() : found->second;
}

const std::array<RelabelRow, 17> kRelabelRowsBeforeStart{{
    {"WriteGroup", {"btnWriteGroup1", "btnWriteGroup2", "btnWriteGroup3", "btnWriteGroup4"}},
    {"ReadGroup", {"btnReadGroup1", "btnReadGroup2", "btnReadGroup3", "btnReadGroup4"}},
    {"tsAnalogCfg", {"tsAnalogCfg"}},
    {"tsAng", {"stAng"}},
    {"tsSystemParams", {"tsSystemParams"}},
    {"tsRegCfg", {"tsRegCfg"}},
    {"tsWork", {"tsWork"}},
    {"tsCharts", {"tsCharts"}},
    {"tsXYChart", {"tsXYChart"}},
    {"DataFile", {"LabelFilename1", "LabelFilename2", "LabelFilename3"}},
    {"bntWriteChID", {"btnWriteChID"}},
    {"bntReadChID", {"btnReadChID"}},
    {"lChipID", {"LabelChipID"}},
    {"lSPIFreq", {"LabelSPIFreq"}},
    {"cbConnect", {"cbConnect"}},
    {"STATUS_REG", {"LabelSTATUS_REG"}},
    {"btnReadAngleData", {"BtnReadAngleData"}},
}};

const std::array<RelabelRow, 11> kRelabelRowsAfterStart{{
    {"btnClear", {"btnClear1", "btnClear2", "btnClear3"}},
    {"lInterval", {"LabelInterval", "LabelInterval2", "LabelInterval3"}},
    {"lSaveToFile", {"cbSaveXYToFile", "cbSaveChartsToFile", "cbSaveToFile"}},
    {"XYSinL", {"LabelXYSinL"}},
    {"XYCosL", {"LabelXYCosL"}},
    {"XYMAX", {"LabelXYSinMAX", "LabelXYCosMAX"}},
    {"XYMIN", {"LabelXYSinMIN", "LabelXYCosMIN"}},
    {"XYOFFSET", {"LabelXYSinOFFSET", "LabelXYCosOFFSET"}},
    {"XYAMPL", {"LabelXYSinAMPL", "LabelXYCosAMPL"}},
    {"btnOpenDataSheet", {"btnOpenDataSheet"}},
    {"btnAbout", {"btnAbout"}},
}};

const RelabelRow kRelabelRowLast{"cbSSIOn", {"cbSSIOn"}};

const std::array<RelabelRow, 53> kRelabelRowsAdded{{
    {"ChooseDataFile", {"btnChooseXYFile", "btnChooseChartsFile", "btnChooseAngleDataFile"}},
    {"tsRegMap", {"tsRegMap"}},
    {"RegMapColumns", {"sgRegMap"}},
    {"btnReadAll", {"btnReadAll"}},
    {"btnWriteAll", {"btnWriteAll"}},
    {"btnCompare", {"btnCompare"}},
    {"btnSaveConfig", {"btnSaveConfig"}},
    {"btnLoadConfig", {"btnLoadConfig"}},
    {"btnCancelRegMap", {"btnCancelRegMap"}},
    {"LabelFitHeading", {"LabelFitHeading"}},
    {"LabelFitOffset", {"LabelFitOffset"}},
    {"LabelFitAmplitude", {"LabelFitAmplitude"}},
    {"LabelFitMismatch", {"LabelFitMismatch"}},
    {"LabelFitPhase", {"LabelFitPhase"}},
    {"LabelFitRms", {"LabelFitRms"}},
    {"LabelFitBudget", {"LabelFitBudget"}},
    {"LabelFitErrOffset", {"LabelFitErrOffset"}},
    {"LabelFitErrMismatch", {"LabelFitErrMismatch"}},
    {"LabelFitErrPhase", {"LabelFitErrPhase"}},
    {"LabelFitErrTotal", {"LabelFitErrTotal"}},
    {"LabelHeadroom", {"LabelHeadroom"}},
    {"LabelAngleStats", {"LabelAngleStats"}},
    {"LabelAngleCount", {"LabelAngleCount"}},
    {"LabelAngleMean", {"LabelAngleMean"}},
    {"LabelAngleSigma", {"LabelAngleSigma"}},
    {"LabelAnglePP", {"LabelAnglePP"}},
    {"LabelAngleEnob", {"LabelAngleEnob"}},
    {"LabelAngleNfb", {"LabelAngleNfb"}},
    {"LabelAngleRate", {"LabelAngleRate"}},
    {"LabelAngleLate", {"LabelAngleLate"}},
    {"LabelAngleSpeed", {"LabelAngleSpeed"}},
    {"btnCentreSignals", {"btnCentreSignals"}},
    {"btnMatchAmplitudes", {"btnMatchAmplitudes"}},
    {"btnZeroHere", {"btnZeroHere"}},
    {"tsAccuracy", {"tsAccuracy"}},
    // The accuracy page's start button takes the start text the other readouts take.
    {"btnStart", {"btnStartAccuracy"}},
    {"LabelAccRevs", {"LabelAccRevs"}},
    {"LabelAccInterval", {"LabelAccInterval"}},
    {"rbAccConstant", {"rbAccConstant"}},
    {"rbAccReference", {"rbAccReference"}},
    {"LabelAccRefFile", {"LabelAccRefFile"}},
    {"btnChooseRefFile", {"btnChooseRefFile"}},
    {"btnAccExport", {"btnAccExport"}},
    {"LabelAccResults", {"LabelAccResults"}},
    {"LabelAccPP", {"LabelAccPP"}},
    {"LabelAccRms", {"LabelAccRms"}},
    {"LabelAccRevsDone", {"LabelAccRevsDone"}},
    {"LabelAccUsed", {"LabelAccUsed"}},
    {"LabelAccRate", {"LabelAccRate"}},
    {"LabelAccLate", {"LabelAccLate"}},
    {"LabelAccOffset", {"LabelAccOffset"}},
    {"LabelAccHarmonics", {"LabelAccHarmonics"}},
    {"LabelAccMethod", {"LabelAccMethod"}},
}};

namespace {

// The controls the language step gives a state text rather than a caption.
constexpr std::string_view kConnectStateLabel = "LabelConnectState";
constexpr std::string_view kChannelCountLabel = "LabelChanCnt";
constexpr std::string_view kIndicatorButton = "btnAnalogInd";

// The register map's messages by their keys.
constexpr std::pair<std::string_view, std::string RegisterMapTexts::*> kRegisterMapKeys[] = {
    {"vWriteAllSummary", &RegisterMapTexts::vWriteAllSummary},
    {"vCompareSummary", &RegisterMapTexts::vCompareSummary},
    {"vConfirmSSI", &RegisterMapTexts::vConfirmSSI},
    {"vConfigLoaded", &RegisterMapTexts::vConfigLoaded},
    {"vFieldsWithoutValue", &RegisterMapTexts::vFieldsWithoutValue},
    {"vConfigNotLoaded", &RegisterMapTexts::vConfigNotLoaded},
    {"vNotARegisterWord", &RegisterMapTexts::vNotARegisterWord},
    {"vStoppedEarly", &RegisterMapTexts::vStoppedEarly},
    {"vConfigFileFilter", &RegisterMapTexts::vConfigFileFilter},
    {"vCloseDuringJob", &RegisterMapTexts::vCloseDuringJob},
    {"vSsiSwitched", &RegisterMapTexts::vSsiSwitched},
};

constexpr std::pair<std::string_view, std::string AnalysisTexts::*> kAnalysisKeys[] = {
    {"vFitTooFewPoints", &AnalysisTexts::vFitTooFewPoints},
    {"vFitTooLittleTurn", &AnalysisTexts::vFitTooLittleTurn},
    {"vFitNoEllipse", &AnalysisTexts::vFitNoEllipse},
    {"vClips", &AnalysisTexts::vClips},
    {"vSmallSignal", &AnalysisTexts::vSmallSignal},
    {"vSavePicture", &AnalysisTexts::vSavePicture},
    {"vSaveData", &AnalysisTexts::vSaveData},
    {"vCopyPicture", &AnalysisTexts::vCopyPicture},
    {"vFitToData", &AnalysisTexts::vFitToData},
    {"vFixedAxes", &AnalysisTexts::vFixedAxes},
    {"vViewHeld", &AnalysisTexts::vViewHeld},
    {"vCannotWrite", &AnalysisTexts::vCannotWrite},
    {"vBudgetClipped", &AnalysisTexts::vBudgetClipped},
    {"vBudgetSkew", &AnalysisTexts::vBudgetSkew},
    {"vSkewCorrected", &AnalysisTexts::vSkewCorrected},
    {"vEnobFormula", &AnalysisTexts::vEnobFormula},
    {"vNfbFormula", &AnalysisTexts::vNfbFormula},
    {"vAllPages", &AnalysisTexts::vAllPages},
};

constexpr std::pair<std::string_view, std::string CalibrationTexts::*> kCalibrationKeys[] = {
    {"vReadoutRunning", &CalibrationTexts::vReadoutRunning},
    {"vCentreProgress", &CalibrationTexts::vCentreProgress},
    {"vZeroProgress", &CalibrationTexts::vZeroProgress},
    {"vRestoring", &CalibrationTexts::vRestoring},
    {"vCancel", &CalibrationTexts::vCancel},
    {"vCentreDone", &CalibrationTexts::vCentreDone},
    {"vCentreFailed", &CalibrationTexts::vCentreFailed},
    {"vCentreBefore", &CalibrationTexts::vCentreBefore},
    {"vCentreAfter", &CalibrationTexts::vCentreAfter},
    {"vCentreValues", &CalibrationTexts::vCentreValues},
    {"vZeroDone", &CalibrationTexts::vZeroDone},
    {"vZeroFailed", &CalibrationTexts::vZeroFailed},
    {"vZeroResult", &CalibrationTexts::vZeroResult},
    {"vZeroValues", &CalibrationTexts::vZeroValues},
    {"vNotTurning", &CalibrationTexts::vNotTurning},
    {"vNoEffect", &CalibrationTexts::vNoEffect},
    {"vOtherChannel", &CalibrationTexts::vOtherChannel},
    {"vOutOfRange", &CalibrationTexts::vOutOfRange},
    {"vNotBetter", &CalibrationTexts::vNotBetter},
    {"vNotHeld", &CalibrationTexts::vNotHeld},
    {"vTurning", &CalibrationTexts::vTurning},
    {"vUnexpected", &CalibrationTexts::vUnexpected},
    {"vRestored", &CalibrationTexts::vRestored},
    {"vNotRestored", &CalibrationTexts::vNotRestored},
    {"vNotWrittenBack", &CalibrationTexts::vNotWrittenBack},
    {"vCancelled", &CalibrationTexts::vCancelled},
    {"vExchangeOff", &CalibrationTexts::vExchangeOff},
    {"vChipNotReady", &CalibrationTexts::vChipNotReady},
    {"vAdapterLost", &CalibrationTexts::vAdapterLost},
    {"vClipping", &CalibrationTexts::vClipping},
    {"vNoSignal", &CalibrationTexts::vNoSignal},
    {"vStill", &CalibrationTexts::vStill},
    {"vTooSlow", &CalibrationTexts::vTooSlow},
    {"vTooFast", &CalibrationTexts::vTooFast},
    {"vMayHold", &CalibrationTexts::vMayHold},
    {"vLiveFigures", &CalibrationTexts::vLiveFigures},
    {"vTimeLeft", &CalibrationTexts::vTimeLeft},
    {"vAmplitudeProgress", &CalibrationTexts::vAmplitudeProgress},
    {"vAmplitudeDone", &CalibrationTexts::vAmplitudeDone},
    {"vAmplitudeAlready", &CalibrationTexts::vAmplitudeAlready},
    {"vAmplitudeFailed", &CalibrationTexts::vAmplitudeFailed},
    {"vAmplitudeBefore", &CalibrationTexts::vAmplitudeBefore},
    {"vAmplitudeAfter", &CalibrationTexts::vAmplitudeAfter},
    {"vAmplitudeValues", &CalibrationTexts::vAmplitudeValues},
    {"vCoarseValues", &CalibrationTexts::vCoarseValues},
    {"vUncertainty", &CalibrationTexts::vUncertainty},
    {"vCentreOutside", &CalibrationTexts::vCentreOutside},
    {"vAmplitudeOutside", &CalibrationTexts::vAmplitudeOutside},
    {"vZeroOutside", &CalibrationTexts::vZeroOutside},
    {"vZeroDoneAt", &CalibrationTexts::vZeroDoneAt},
    {"vZeroTarget", &CalibrationTexts::vZeroTarget},
    {"vDrift", &CalibrationTexts::vDrift},
    {"vZeroAngle", &CalibrationTexts::vZeroAngle},
    {"vZeroTolerance", &CalibrationTexts::vZeroTolerance},
    {"vSaveConfig", &CalibrationTexts::vSaveConfig},
    {"vSaveRecord", &CalibrationTexts::vSaveRecord},
    {"vClose", &CalibrationTexts::vClose},
    {"vRecordTitle", &CalibrationTexts::vRecordTitle},
    {"vRecordHeader", &CalibrationTexts::vRecordHeader},
    {"vRecordFilter", &CalibrationTexts::vRecordFilter},
    {"vZeroLive", &CalibrationTexts::vZeroLive},
};

constexpr std::pair<std::string_view, std::string AccuracyTexts::*> kAccuracyKeys[] = {
    {"vAccIdle", &AccuracyTexts::vAccIdle},
    {"vAccProgress", &AccuracyTexts::vAccProgress},
    {"vAccAnalysed", &AccuracyTexts::vAccAnalysed},
    {"vAccStoppedEarly", &AccuracyTexts::vAccStoppedEarly},
    {"vAccFull", &AccuracyTexts::vAccFull},
    {"vAccTooFew", &AccuracyTexts::vAccTooFew},
    {"vAccLessThanATurn", &AccuracyTexts::vAccLessThanATurn},
    {"vAccSparse", &AccuracyTexts::vAccSparse},
    {"vAccNotCovering", &AccuracyTexts::vAccNotCovering},
    {"vAccNoReference", &AccuracyTexts::vAccNoReference},
    {"vRefUnreadable", &AccuracyTexts::vRefUnreadable},
    {"vRefEmpty", &AccuracyTexts::vRefEmpty},
    {"vRefColumns", &AccuracyTexts::vRefColumns},
    {"vRefNumber", &AccuracyTexts::vRefNumber},
    {"vRefBackwards", &AccuracyTexts::vRefBackwards},
    {"vRefTitle", &AccuracyTexts::vRefTitle},
    {"vRefTime", &AccuracyTexts::vRefTime},
    {"vRefAngle", &AccuracyTexts::vRefAngle},
    {"vRefUnit", &AccuracyTexts::vRefUnit},
    {"vRefOrigin", &AccuracyTexts::vRefOrigin},
    {"vRefEpoch", &AccuracyTexts::vRefEpoch},
    {"vRefStart", &AccuracyTexts::vRefStart},
    {"vRefFilter", &AccuracyTexts::vRefFilter},
    {"vExportCurve", &AccuracyTexts::vExportCurve},
    {"vExportHarmonics", &AccuracyTexts::vExportHarmonics},
    {"vExportReadings", &AccuracyTexts::vExportReadings},
    {"vExportReport", &AccuracyTexts::vExportReport},
    {"vHarmonic", &AccuracyTexts::vHarmonic},
    {"vAmplitude", &AccuracyTexts::vAmplitude},
    {"vPhase", &AccuracyTexts::vPhase},
    {"vErrorAxis", &AccuracyTexts::vErrorAxis},
    {"vAngleAxis", &AccuracyTexts::vAngleAxis},
    {"vReportTitle", &AccuracyTexts::vReportTitle},
    {"vReportDate", &AccuracyTexts::vReportDate},
    {"vReportMethod", &AccuracyTexts::vReportMethod},
    {"vReportConstant", &AccuracyTexts::vReportConstant},
    {"vReportReference", &AccuracyTexts::vReportReference},
    {"vReportChip", &AccuracyTexts::vReportChip},
    {"vReportFigures", &AccuracyTexts::vReportFigures},
    {"vReportOffset", &AccuracyTexts::vReportOffset},
    {"vReportConfiguration", &AccuracyTexts::vReportConfiguration},
    {"vAccTooFast", &AccuracyTexts::vAccTooFast},
    {"vAccHolesTooLong", &AccuracyTexts::vAccHolesTooLong},
    {"vAccCut", &AccuracyTexts::vAccCut},
    {"vAccRefSparse", &AccuracyTexts::vAccRefSparse},
    {"vAccRefScale", &AccuracyTexts::vAccRefScale},
    {"vAccRefReversed", &AccuracyTexts::vAccRefReversed},
    {"vAccRipple", &AccuracyTexts::vAccRipple},
    {"vAccBusy", &AccuracyTexts::vAccBusy},
    {"vAccOthersRunning", &AccuracyTexts::vAccOthersRunning},
    {"vRefAngleUnit", &AccuracyTexts::vRefAngleUnit},
    {"vRefDegrees", &AccuracyTexts::vRefDegrees},
    {"vRefRadians", &AccuracyTexts::vRefRadians},
    {"vRefCounts", &AccuracyTexts::vRefCounts},
};

void ApplyRow(const RelabelRow& row, const LanguageFile& file, LanguageTarget& target) {
    const std::string text = file.Text(row.key);
    for (std::string_view control : row.controls) {
        if (!control.empty()) target.SetControlText(control, text);
    }
}

}  // namespace

LanguageTexts LoadLanguage(const std::string& exePath, LanguageTarget& target) {
    const LanguageChoice choice = ChooseLanguage(exePath);
    target.SetWindowCaption(choice.caption);
    target.SetApplicationTitle(choice.title);

    const LanguageFile file(exePath + "lang." + choice.suffix);
    LanguageTexts texts;
    for (const ConfigField& field : kConfigFields) {
        target.SetControlText(field.caption(), file.Text(field.languageKey));
    }
    for (const RelabelRow& row : kRelabelRowsBeforeStart) ApplyRow(row, file, target);

    texts.btnStart = file.Text("btnStart");
    texts.btnStop = file.Text("btnStop");
    for (std::string_view button : kStartButtons) target.SetControlText(button, texts.btnStart);

    for (const RelabelRow& row : kRelabelRowsAfterStart) ApplyRow(row, file, target);

    texts.vChipIdentified = file.Text("vChipIdentified");
    texts.vChipNotIdentified = file.Text("vChipNotIdentified");
    texts.vChipNotConnected = file.Text("vChipNotConnected");
    texts.vNotDefined = file.Text("vNotDefined");
    texts.vReadingProcess = file.Text("vReadingProcess");
    texts.vWritingProcess = file.Text("vWritingProcess");
    texts.vChannelsFound = file.Text("vChannelsFound");
    texts.vTurnOn = file.Text("vTurnOn");
    texts.vTurnOff = file.Text("vTurnOff");
    texts.vAboutText = file.Text("vAboutText");
    texts.vAboutTextD = file.Text("vAboutTextD");

    ApplyRow(kRelabelRowLast, file, target);
    for (const RelabelRow& row : kRelabelRowsAdded) {
        if (file.Has(row.key)) ApplyRow(row, file, target);
    }
    for (const auto& [key, text] : kRegisterMapKeys) {
        if (file.Has(key)) texts.regMap.*text = file.Text(key);
    }
    for (const auto& [key, text] : kAnalysisKeys) {
        if (file.Has(key)) texts.analysis.*text = file.Text(key);
    }
    for (const auto& [key, text] : kCalibrationKeys) {
        if (file.Has(key)) texts.calibration.*text = file.Text(key);
    }
    for (const auto& [key, text] : kAccuracyKeys) {
        if (file.Has(key)) texts.accuracy.*text = file.Text(key);
    }

    target.SetControlText(kConnectStateLabel, texts.vNotDefined);
    target.SetControlText(kChannelCountLabel, texts.vChannelsFound + "0");
    target.SetControlText(kIndicatorButton, texts.vTurnOn);
    return texts;
}

std::vector<std::string_view> LanguageControlNames() {
    std::vector<std::string_view> names;
    auto add = [&names](std::string_view name) {
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    };
    auto addRow = [&add](const RelabelRow& row) {
        for (std::string_view control : row.controls) add(control);
    };
    for (const ConfigField& field : kConfigFields) add(field.caption());
    for (const RelabelRow& row : kRelabelRowsBeforeStart) addRow(row);
    for (std::string_view button : kStartButtons) add(button);
    for (const RelabelRow& row : kRelabelRowsAfterStart) addRow(row);
    addRow(kRelabelRowLast);
    for (const RelabelRow& row : kRelabelRowsAdded) addRow(row);
    for (std::string_view name : {kConnectStateLabel, kChannelCountLabel, kIndicatorButton})
        add(name);
    return names;
}

std::vector<std::string_view> AddedLanguageKeys() {
    std::vector<std::string_view> keys;
    for (const RelabelRow& row : kRelabelRowsAdded) keys.push_back(row.key);
    auto add = [&keys](const auto& table) {
        for (const auto& entry : table) keys.push_back(entry.first);
    };
    add(kRegisterMapKeys);
    add(kAnalysisKeys);
    add(kCalibrationKeys);
    add(kAccuracyKeys);
    return keys;
}

std::string FillIn(std::string text, std::initializer_list<std::string> arguments) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t number =
            i + 1 < text.size() && text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9'
                ? static_cast<size_t>(text[i + 1] - '0')
                : 0;
        if (number > 0 && number <= arguments.size()) {
            out += *(arguments.begin() + (number - 1));
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string FixedText(double value, int decimals) {
    char buffer[64];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return error == std::errc() ? std::string(buffer, end) : std::string("?");
}

}  // namespace app
