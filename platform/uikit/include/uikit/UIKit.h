// The whole toolkit.
#pragma once

#include "graphics/Geometry.h"
#include "uikit/Animation.h"
#include "uikit/Layout.h"
#include "uikit/NSAttributedString.h"
#include "uikit/NSRange.h"
#include "uikit/Touch.h"
#include "uikit/UIAlertView.h"
#include "uikit/UIApplication.h"
#include "uikit/UIBackdropView.h"
#include "uikit/UIColor.h"
#include "uikit/UIControl.h"
#include "uikit/UIDevice.h"
#include "uikit/UIFont.h"
#include "uikit/UIGestureRecognizer.h"
#include "uikit/UIImage.h"
#include "uikit/UIImageView.h"
#include "uikit/UILabel.h"
#include "uikit/UILongPressGestureRecognizer.h"
#include "uikit/UIPanGestureRecognizer.h"
#include "uikit/SharedMessages.h"
#include "uikit/UIScreen.h"
#include "uikit/UISwitch.h"
#include "uikit/UIView.h"
#include "uikit/UIViewController.h"
#include "uikit/UIWindow.h"

namespace ui {
// Registers the toolkit's classes (done at library load; safe to call again).
void registerUIKitClasses();
}  // namespace ui
