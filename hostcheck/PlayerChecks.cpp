#include "PlayerChecks.h"

#include <string>

#include "../module/IVarList.h"
#include "../module/ValueType.h"
#include "../module/IKernel.h"
#include "CheckContext.h"

namespace HostCheck {

const PlayerProperty kPlayerProperties[] = {
    {"Name", VT_WIDESTR, "every list's row key"},
    {"Level", VT_INT, "the player list's rank, the others' rows"},
    {"Nation", VT_INT, "the player and charm lists"},
    {"ProfType", VT_INT, "every list"},
    {"GuildName", VT_WIDESTR, "the player and charm lists"},
    {"GuildPoint", VT_INT, "the player list"},
    {"GuildContribut", VT_INT, "the player list's reply to an unlisted player"},
    {"CastleName", VT_WIDESTR, "the player list"},
    {"CastlePoint", VT_INT, "the player list"},
    {"Camp", VT_INT, "every list"},
    {"PeerageRank", VT_INT, "the player list"},
    {"PeerageExp", VT_INT, "the player list"},
    {"GutOver", VT_INT, "admission to the player and charm lists (1 or more)"},
    {"CastleNameID", VT_STRING, "the charm list"},
    {"Charm", VT_INT, "the charm list's rank"},
    {"GiftNum", VT_INT, "the charm list"},
    {"CompeteAlwaysWin", VT_INT, "the win-streak list's rank"},
};
const int kPlayerPropertyCount = sizeof kPlayerProperties / sizeof kPlayerProperties[0];

namespace {

std::string Number(long long n) { return std::to_string(n); }

const char* TypeName(int type) {
    switch (type) {
        case VT_INT: return "Int";
        case VT_STRING: return "String";
        case VT_WIDESTR: return "WideString";
        case VT_FLOAT: return "Float";
        case VT_INT64: return "Int64";
        case VT_OBJECT: return "Object";
        case VT_BOOL: return "Bool";
        default: return "none";
    }
}

// Pushes the player's current value of each property, as the library reads it.
void PushValues(IKernel* kernel, const ObjectId& player, std::initializer_list<const char*> names, IVarList& out) {
    for (const char* name : names) {
        for (int i = 0; i < kPlayerPropertyCount; ++i) {
            const PlayerProperty& p = kPlayerProperties[i];
            if (std::string(p.name) != name) continue;
            if (p.type == VT_WIDESTR) {
                const char16_t* text = kernel->QueryWideStr(player, name);
                out.PushWideString(text != nullptr ? text : u"");
            } else if (p.type == VT_STRING) {
                const char* text = kernel->QueryString(player, name);
                out.PushString(text != nullptr ? text : "");
            } else {
                out.PushInt(kernel->QueryInt(player, name));
            }
        }
    }
}

}  // namespace

std::u16string CheckPlayer(IKernel* kernel, Context& context, const ObjectId& player) {
    Rule properties("player-properties", "the player has all " + Number(kPlayerPropertyCount) +
                                             " properties the library reads, each of the type it reads it as");
    std::u16string name;
    for (int i = 0; i < kPlayerPropertyCount; ++i) {
        const PlayerProperty& p = kPlayerProperties[i];
        const std::string what = std::string("player property \"") + p.name + "\" (" + p.use + ")";
        if (!properties.Expect(kernel->FindProperty(player, p.name), what + " is missing")) continue;
        const int type = kernel->GetPropertyType(player, p.name);
        properties.Expect(type == p.type, what + " is of type " + TypeName(type) + ", not " + TypeName(p.type) +
                                              ": the library would read only neutral values");
        if (p.type == VT_WIDESTR) {
            const char16_t* text = kernel->QueryWideStr(player, p.name);
            context.text.Check("QueryWideStr", text);
            if (i == 0 && text != nullptr) name = text;
        } else if (p.type == VT_STRING) {
            context.text.Check("QueryString", kernel->QueryString(player, p.name));
        } else {
            kernel->QueryInt(player, p.name);
        }
    }
    properties.Report(context.results, kernel);

    Rule find("find-player", "Exists tells a player from the null object; FindPlayer finds an online player by name");
    find.Expect(kernel->Exists(player), "Exists is false for the player whose \"OnLoad\" is running");
    find.Expect(!kernel->Exists(ObjectId{}), "Exists is true for the null object");
    find.Expect(!name.empty(), "the player's \"Name\" is empty");
    find.Expect(kernel->FindPlayer(name.c_str()) == player,
                std::string("FindPlayer of the player's own \"Name\" is not that player") +
                    (context.text.Failed() ? " (see text-lifetime)" : ""));
    find.Expect(kernel->FindPlayer(u"VoGameLogicHostCheck: no such player").IsNull(),
                "FindPlayer of a name nobody has is not the null object");
    find.Report(context.results, kernel);
    return name;
}

int CheckScene(IKernel* kernel, Context& context, const ObjectId& scene) {
    Rule rule("scene-queries",
              "a BaseScene has an id that exists and is counted, is its own scene, and has a "
              "configuration name");
    const int id = kernel->GetSceneIdOf(scene);
    rule.Expect(id > 0, "GetSceneIdOf of a \"BaseScene\" object is " + Number(id) + ", not an id from 1");
    rule.Expect(kernel->IsSceneExist(id), "IsSceneExist is false for the scene id of a \"BaseScene\" object");
    const int count = kernel->GetSceneCount();
    rule.Expect(count >= id, "GetSceneCount is " + Number(count) + ", below the scene id " + Number(id));
    rule.Expect(kernel->GetSceneOf(scene) == scene,
                "GetSceneOf of a scene object is not the scene itself (the streak reset asks a scene's own id so)");
    context.text.Check("GetConfigName", kernel->GetConfigName(scene));
    rule.Report(context.results, kernel);
    return id;
}

bool BuildReply(IKernel* kernel, int request, const ObjectId& player, IVarList& reply) {
    switch (request) {
        case 140911:
            reply.PushInt(100721);
            reply.PushInt(0);
            PushValues(kernel, player,
                       {"Name", "Level", "Nation", "ProfType", "GuildName", "GuildContribut", "CastleName",
                        "CastlePoint", "Camp", "PeerageRank", "PeerageExp"},
                       reply);
            return true;
        case 140912:
            reply.PushInt(100722);
            reply.PushInt(0);
            PushValues(kernel, player,
                       {"Name", "Level", "ProfType", "Camp", "CastleNameID", "Nation", "GuildName", "Charm", "GiftNum"},
                       reply);
            return true;
        case 150516:
            reply.PushInt(101162);
            reply.PushInt(0);
            PushValues(kernel, player, {"Name", "Level", "ProfType", "Camp", "CompeteAlwaysWin"}, reply);
            return true;
        default: return false;
    }
}

void BuildNationRecord(IVarList& values) {
    for (int nation = 0; nation < 5; ++nation) {
        for (int resource = 0; resource < 5; ++resource) values.PushInt(0);
        values.PushWideString(u"");
        values.PushInt(0);
    }
}

}  // namespace HostCheck
