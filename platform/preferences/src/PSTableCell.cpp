#include "preferences/PSTableCell.h"

#include "foundation/Conversions.h"
#include "foundation/Log.h"
#include "preferences/PSListController.h"
#include "preferences/PSSwitchTableCell.h"
#include "uikit/UIControl.h"
#include "uikit/UILabel.h"
#include "uikit/UIScreen.h"
#include "uikit/UISwitch.h"

namespace {

constexpr float kRowHeight = 44;

PSTableCell& C(const id& self, SEL cmd) { return rt::state<PSTableCell>(self, cmd); }

id initWithStyleImp(id self, SEL cmd, long /*style*/, id reuseIdentifier, id specifier) {
    CGFloat width = ui::screenBounds().size.width;
    self = ui::initWithFrame(self, CGRectMake(0, 0, width, kRowHeight));
    if (!self) return {};
    auto& cell = C(self, cmd);
    cell.reuseIdentifier_ = str(reuseIdentifier);
    cell.specifier_ = specifier;
    cell.type_ = specifier ? ps::cellType(specifier) : PSGroupCell;
    cell.contentView_ = ui::makeView(CGRectMake(0, 0, width, kRowHeight));
    ui::addSubview(self, cell.contentView_);
    ps::refreshCellContentsWithSpecifier(self, specifier);
    return self;
}

id specifierImp(id self, SEL cmd) { return C(self, cmd).specifier_; }
void setSpecifierImp(id self, SEL cmd, id s) { C(self, cmd).specifier_ = s; }
long typeImp(id self, SEL cmd) { return C(self, cmd).type_; }
id reuseIdentifierImp(id self, SEL cmd) { return NSStr(C(self, cmd).reuseIdentifier_); }
id contentViewImp(id self, SEL cmd) { return C(self, cmd).contentView_; }
id titleLabelImp(id self, SEL cmd) { return C(self, cmd).titleLabel_; }
id valueImp(id self, SEL cmd) { return C(self, cmd).value_; }
void setValueImp(id self, SEL cmd, id v) { C(self, cmd).value_ = v; }
float preferredHeightForWidthImp(id, SEL, float) { return kRowHeight; }

// The title is made only for rows that have one, so custom cells keep their content view to themselves.
void refreshCellContentsImp(id self, SEL cmd, id specifier) {
    auto& cell = C(self, cmd);
    id title = ps::name(specifier);
    if (str(title).empty()) return;
    if (!cell.titleLabel_) {
        cell.titleLabel_ = ui::makeLabel(CGRectMake(15, 0, ui::frame(self).size.width - 30, kRowHeight));
        ui::addSubview(cell.contentView_, cell.titleLabel_);
    }
    ui::setText(cell.titleLabel_, title);
}

long cellTypeFromStringImp(id, SEL, id name) { return ps::cellTypeFromString(str(name)); }

// ---- control cells ----

PSControlTableCell& K(const id& self, SEL cmd) { return rt::state<PSControlTableCell>(self, cmd); }

id controlImp(id self, SEL cmd) { return K(self, cmd).control_; }
void setControlImp(id self, SEL cmd, id c) { K(self, cmd).control_ = c; }
id newControlImp(id, SEL) { return {}; }
id controlValueImp(id self, SEL cmd) { return K(self, cmd).value_; }

// The person changed the control: the row's target stores the new value.
void controlChangedImp(id self, SEL cmd, id /*sender*/) {
    auto& cell = K(self, cmd);
    id value = ps::controlValue(self);
    cell.value_ = value;
    id spec = cell.specifier_;
    id target = ps::target(spec);
    if (!target) {
        NSLog("Preferences: row \"%s\" changed but has no target to store it", str(ps::name(spec)).c_str());
        return;
    }
    ps::storeRowValue(target, spec, value);
}

// ---- switch cells ----

id switchInitImp(id self, SEL cmd, long style, id reuseIdentifier, id specifier) {
    // The switch exists before the base fills the cell, so the base's refresh can set it.
    auto& cell = K(self, cmd);
    cell.control_ = ps::newControl(self);
    self = rt::sendSuper(rt::objc_getClass("PSSwitchTableCell"), self, ps::initWithStyle_reuseIdentifier_specifier,
                         style, reuseIdentifier, specifier);
    if (!self) return {};
    ui::addSubview(ps::contentView(self), cell.control_);
    ui::addTarget_action_forControlEvents(cell.control_, self, ps::controlChanged.sel(), UIControlEventValueChanged);
    return self;
}

id switchNewControlImp(id, SEL) {
    CGFloat width = ui::screenBounds().size.width;
    return ui::makeView(rt::objc_getClass("UISwitch"), CGRectMake(width - 66, 6.5, 51, 31));
}

// A negated row stores the opposite of what the switch shows.
id switchControlValueImp(id self, SEL cmd) {
    auto& cell = K(self, cmd);
    bool on = ui::isOn(cell.control_);
    if (ns::boolValue(ps::property(cell.specifier_, "negate"))) on = !on;
    return NSNum(on);
}

void switchSetValueImp(id self, SEL cmd, id v) {
    auto& cell = K(self, cmd);
    cell.value_ = v;
    bool on = ns::boolValue(v);
    if (ns::boolValue(ps::property(cell.specifier_, "negate"))) on = !on;
    ui::setOn(cell.control_, on);
}

}  // namespace

namespace ps {

void registerCellClasses() {
    rt::Class* cell = rt::objc_registerClass("PSTableCell", rt::objc_getClass("UIView"), rt::factoryFor<PSTableCell>());
    rt::defineMethod(cell, initWithStyle_reuseIdentifier_specifier, &initWithStyleImp);
    rt::defineMethod(cell, specifier, &specifierImp);
    rt::defineMethod(cell, setSpecifier, &setSpecifierImp);
    rt::defineMethod(cell, type, &typeImp);
    rt::defineMethod(cell, reuseIdentifier, &reuseIdentifierImp);
    rt::defineMethod(cell, contentView, &contentViewImp);
    rt::defineMethod(cell, titleLabel, &titleLabelImp);
    rt::defineMethod(cell, value, &valueImp);
    rt::defineMethod(cell, setValue, &setValueImp);
    rt::defineMethod(cell, preferredHeightForWidth, &preferredHeightForWidthImp);
    rt::defineMethod(cell, refreshCellContentsWithSpecifier, &refreshCellContentsImp);
    rt::defineClassMethod(cell, PSTableCell_cellTypeFromString, &cellTypeFromStringImp);

    rt::Class* controlCell = rt::objc_registerClass("PSControlTableCell", cell, rt::factoryFor<PSControlTableCell>());
    rt::defineMethod(controlCell, control, &controlImp);
    rt::defineMethod(controlCell, setControl, &setControlImp);
    rt::defineMethod(controlCell, newControl, &newControlImp);
    rt::defineMethod(controlCell, controlValue, &controlValueImp);
    rt::defineMethod(controlCell, controlChanged, &controlChangedImp);

    rt::Class* switchCell =
        rt::objc_registerClass("PSSwitchTableCell", controlCell, rt::factoryFor<PSSwitchTableCell>());
    rt::defineMethod(switchCell, initWithStyle_reuseIdentifier_specifier, &switchInitImp);
    rt::defineMethod(switchCell, newControl, &switchNewControlImp);
    rt::defineMethod(switchCell, controlValue, &switchControlValueImp);
    rt::defineMethod(switchCell, setValue, &switchSetValueImp);
}

}  // namespace ps
