#include "preferences/PSTableCell.h"

#include "foundation/Conversions.h"
#include "foundation/Log.h"
#include "preferences/PSListController.h"
#include "preferences/PSSwitchTableCell.h"
#include "preferences/SendSuper.h"
#include "uikit/UIControl.h"
#include "uikit/UILabel.h"
#include "uikit/UIScreen.h"
#include "uikit/UISwitch.h"

namespace {

constexpr float kRowHeight = 44;

std::shared_ptr<PSTableCell> cell_(const id& self) { return rt::cast<PSTableCell>(self); }

id initWithStyle(id self, SEL, long /*style*/, id reuseIdentifier, id specifier) {
    CGFloat width = ui::screenBounds().size.width;
    self = rt::send<id(CGRect)>(self, "initWithFrame:", CGRectMake(0, 0, width, kRowHeight));
    auto cell = cell_(self);
    if (!cell) return {};
    cell->reuseIdentifier_ = str(reuseIdentifier);
    cell->specifier_ = specifier;
    cell->type_ = specifier ? ps::cellType(specifier) : PSGroupCell;
    cell->contentView_ = ui::makeView(CGRectMake(0, 0, width, kRowHeight));
    ui::addSubview(self, cell->contentView_);
    rt::send<void(id)>(self, "refreshCellContentsWithSpecifier:", specifier);
    return self;
}

id specifier(id self, SEL) { return cell_(self)->specifier_; }
void setSpecifier(id self, SEL, id s) { cell_(self)->specifier_ = s; }
long type(id self, SEL) { return cell_(self)->type_; }
id reuseIdentifier(id self, SEL) { return NSStr(cell_(self)->reuseIdentifier_); }
id contentViewImp(id self, SEL) { return cell_(self)->contentView_; }
id titleLabel(id self, SEL) { return cell_(self)->titleLabel_; }
id value(id self, SEL) { return cell_(self)->value_; }
void setValue(id self, SEL, id v) { cell_(self)->value_ = v; }
float preferredHeightForWidth(id, SEL, float) { return kRowHeight; }

// The title is made only for rows that have one, so custom cells keep their content view to themselves.
void refreshCellContents(id self, SEL, id specifier) {
    auto cell = cell_(self);
    std::string title = ps::name(specifier);
    if (title.empty()) return;
    if (!cell->titleLabel_) {
        cell->titleLabel_ = ui::makeLabel(CGRectMake(15, 0, ui::frame(self).size.width - 30, kRowHeight));
        ui::addSubview(cell->contentView_, cell->titleLabel_);
    }
    ui::setText(cell->titleLabel_, NSStr(title));
}

long cellTypeFromStringImp(id, SEL, id name) { return ps::cellTypeFromString(str(name)); }

// ---- control cells ----

std::shared_ptr<PSControlTableCell> control_(const id& self) { return rt::cast<PSControlTableCell>(self); }

id controlImp(id self, SEL) { return control_(self)->control_; }
void setControl(id self, SEL, id c) { control_(self)->control_ = c; }
id newControl(id, SEL) { return {}; }
id controlValue(id self, SEL) { return control_(self)->value_; }

// The person changed the control: the row's target stores the new value.
void controlChanged(id self, SEL, id /*sender*/) {
    auto cell = control_(self);
    id value = rt::send<id()>(self, "controlValue");
    cell->value_ = value;
    id spec = cell->specifier_;
    id target = rt::send<id()>(spec, "target");
    if (!target) {
        NSLog("Preferences: row \"%s\" changed but has no target to store it", ps::name(spec).c_str());
        return;
    }
    if (id setter = ps::property(spec, "set"); isString(setter))
        rt::send<void(id, id)>(target, rt::sel_registerName(str(setter)), value, spec);
    else
        rt::send<void(id, id)>(target, "setPreferenceValue:specifier:", value, spec);
}

// ---- switch cells ----

id switchInit(id self, SEL, long style, id reuseIdentifier, id specifier) {
    // The switch exists before the base fills the cell, so the base's refresh can set it.
    auto cell = control_(self);
    if (!cell) return {};
    cell->control_ = rt::send<id()>(self, "newControl");
    self = ps::sendSuper<id(long, id, id)>(rt::objc_getClass("PSSwitchTableCell"), self,
                                           "initWithStyle:reuseIdentifier:specifier:", style, reuseIdentifier, specifier);
    if (!self) return {};
    ui::addSubview(ps::contentView(self), cell->control_);
    rt::send<void(id, SEL, unsigned long)>(cell->control_, "addTarget:action:forControlEvents:", self,
                                           rt::sel_registerName("controlChanged:"), UIControlEventValueChanged);
    return self;
}

id switchNewControl(id self, SEL) {
    CGFloat width = ui::screenBounds().size.width;
    (void)self;
    return ui::makeView(rt::objc_getClass("UISwitch"), CGRectMake(width - 66, 6.5, 51, 31));
}

// A negated row stores the opposite of what the switch shows.
id switchControlValue(id self, SEL) {
    auto cell = control_(self);
    bool on = ui::isOn(cell->control_);
    if (ns::boolValue(ps::property(cell->specifier_, "negate"))) on = !on;
    return NSNum(on);
}

void switchSetValue(id self, SEL, id v) {
    auto cell = control_(self);
    cell->value_ = v;
    bool on = ns::boolValue(v);
    if (ns::boolValue(ps::property(cell->specifier_, "negate"))) on = !on;
    ui::setOn(cell->control_, on);
}

}  // namespace

namespace ps {

void registerCellClasses() {
    rt::Class* cell = rt::objc_registerClass("PSTableCell", rt::objc_getClass("UIView"), rt::factoryFor<PSTableCell>());
    rt::defineMethod(cell, "initWithStyle:reuseIdentifier:specifier:", &initWithStyle);
    rt::defineMethod(cell, "specifier", &specifier);
    rt::defineMethod(cell, "setSpecifier:", &setSpecifier);
    rt::defineMethod(cell, "type", &type);
    rt::defineMethod(cell, "reuseIdentifier", &reuseIdentifier);
    rt::defineMethod(cell, "contentView", &contentViewImp);
    rt::defineMethod(cell, "titleLabel", &titleLabel);
    rt::defineMethod(cell, "value", &value);
    rt::defineMethod(cell, "setValue:", &setValue);
    rt::defineMethod(cell, "preferredHeightForWidth:", &preferredHeightForWidth);
    rt::defineMethod(cell, "refreshCellContentsWithSpecifier:", &refreshCellContents);
    rt::defineClassMethod(cell, "cellTypeFromString:", &cellTypeFromStringImp);

    rt::Class* controlCell = rt::objc_registerClass("PSControlTableCell", cell, rt::factoryFor<PSControlTableCell>());
    rt::defineMethod(controlCell, "control", &controlImp);
    rt::defineMethod(controlCell, "setControl:", &setControl);
    rt::defineMethod(controlCell, "newControl", &newControl);
    rt::defineMethod(controlCell, "controlValue", &controlValue);
    rt::defineMethod(controlCell, "controlChanged:", &controlChanged);

    rt::Class* switchCell =
        rt::objc_registerClass("PSSwitchTableCell", controlCell, rt::factoryFor<PSSwitchTableCell>());
    rt::defineMethod(switchCell, "initWithStyle:reuseIdentifier:specifier:", &switchInit);
    rt::defineMethod(switchCell, "newControl", &switchNewControl);
    rt::defineMethod(switchCell, "controlValue", &switchControlValue);
    rt::defineMethod(switchCell, "setValue:", &switchSetValue);
}

}  // namespace ps
