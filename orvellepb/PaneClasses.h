// The pane's classes, registered with the settings framework's classes as
// their superclasses.
#pragma once

#include "preferences/PSTableCell.h"

// The header block: the product's name with the maker's below it.
class HeaderCell : public PSTableCell {
public:
    id heading;
    id subtitleK;
};

namespace orvellepb {

// The pages' button actions, named by the rows' `action`: restart the home
// screen, erase the blocks' stored places (then restart), and the two ways to donate.
inline constinit const rt::Msg<void()> respringDevice{"respringDevice"};
inline constinit const rt::Msg<void()> resetLayout{"resetLayout"};
inline constinit const rt::Msg<void()> donatePayPal{"donatePayPal"};
inline constinit const rt::Msg<void()> donateWeChat{"donateWeChat"};

// A placeholder of the project's: a reserved example domain, nobody's account.
inline constexpr const char* kDonationAddress = ORVELLEPB_DONATION_ADDRESS;
inline constexpr const char* kQRCodePicture = "/Library/Application Support/OVS/QRCode.JPG";

void registerHeaderCell();
void registerSwitchCell();
void registerRootListController();
void registerMoreController();

// Every class of the pane (safe to call again).
void registerPaneClasses();

}  // namespace orvellepb
