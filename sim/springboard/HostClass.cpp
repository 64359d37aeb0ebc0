#include "HostClass.h"

namespace springboard {

void registerHostClasses(const std::vector<HostClass>& table, int majorVersion) {
    for (const HostClass& spec : table) {
        if (!spec.versions.has(majorVersion)) continue;
        rt::Class* super = rt::objc_getClass(spec.superclass);
        if (!super) throw rt::Error(std::string("host class ") + spec.name + ": no superclass " + spec.superclass);
        rt::Class* cls = rt::objc_registerClass(spec.name, super, spec.factory);
        for (const HostMethod& m : spec.methods)
            if (m.versions.has(majorVersion)) m.define(cls);
    }
}

void registerAllHostClasses(int majorVersion) {
    for (auto table : {applicationClasses(), dateViewClasses(), dashBoardClasses(), chromeClasses(), weatherClasses(),
                       platterClasses(), mediaClasses(), controlClasses()})
        registerHostClasses(table, majorVersion);
}

}  // namespace springboard
