#pragma once
// Display names of the game's small enumerations, shared by the report sections.
#include <string>

#include "host/NationRecords.h"
#include "SimReport.h"

inline std::string NationText(int nation) {
    const std::u16string_view name = NationRecords::NationName(nation);
    return name.empty() ? std::to_string(nation) : Utf8(name);
}

inline std::string ProfessionText(int prof) {
    static const char* const names[] = {"Warrior", "Mage", "Archer", "Priest", "Rogue", "Knight"};
    return prof >= 1 && prof <= 6 ? names[prof - 1] : std::to_string(prof);
}

inline std::string CampText(int camp) {
    static const char* const names[] = {"Neutral", "Dawn", "Dusk"};
    return camp >= 0 && camp <= 2 ? names[camp] : std::to_string(camp);
}
