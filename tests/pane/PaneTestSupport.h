// Shared set-up of the pane tests: the device's screen, the pane's classes,
// and a preferences folder of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "PaneClasses.h"
#include "foundation/Conversions.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "preferences/Preferences.h"
#include "uikit/UIKit.h"

class PaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        orvellepb::registerPaneClasses();
        ui::DeviceProfile profile;
        profile.screenWidth = 414.6;
        profile.screenHeight = 736;
        ui::configureDevice(profile);
        std::string pattern = (std::filesystem::temp_directory_path() / "pane-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        ps::setPreferencesFolder(folder.string());
        ns::setLogSink([this](const std::string& line) {
            log.push_back(!line.empty() && line.back() == '\n' ? line.substr(0, line.size() - 1) : line);
        });
    }
    void TearDown() override {
        ns::setLogSink([](const std::string&) {});
        std::filesystem::remove_all(folder);
    }

    id settings() { return ns::dictionaryWithContentsOfFile((folder / "com.tovik.orvelle.plist").string()); }
    id setting(const char* key) {
        auto d = rt::cast<NSDictionary>(settings());
        return d ? d->objectForKey(key) : id{};
    }
    id rootController() {
        id c = rt::allocInit("OVSPBRootListController");
        ps::setBundlePath(c, ORVELLEPB_BUNDLE_DIR);
        return c;
    }
    id moreController() {
        id c = rt::allocInit("MoreController");
        ps::setBundlePath(c, ORVELLEPB_BUNDLE_DIR);
        return c;
    }
    id rowWithKey(const id& controller, const std::string& key) {
        for (const id& s : ps::specifierList(controller))
            if (ps::key(s) == key) return s;
        return {};
    }

    std::filesystem::path folder;
    std::vector<std::string> log;
};
