// The interface texts read from the language file and shown later by the pages.
#pragma once

#include <string>

namespace app {

/// Texts kept from the language file for the pages that show them after start-up. Every
/// field is empty until the language has been loaded; nothing writes them afterwards.
struct LanguageTexts {
    std::string btnStart;
    std::string btnStop;
    std::string vChipIdentified;
    std::string vChipNotIdentified;
    std::string vChipNotConnected;
    std::string vNotDefined;
    std::string vReadingProcess;
    std::string vWritingProcess;
    std::string vChannelsFound;
    std::string vTurnOn;
    std::string vTurnOff;
    std::string vAboutText;
    std::string vAboutTextD;
};

}  // namespace app
