// orvelle-sim: drives simulated devices. DEVICE is a device's folder.
#include <cstdio>
#include <cstring>
#include <exception>

#include "Args.h"
#include "Verbs.h"
#include "device/TerminalText.h"
#include "wire/Failure.h"

namespace cli {

const std::vector<Verb>& verbs() {
    static const std::vector<Verb> all = {
        {"create",
         "orvelle-sim create DEVICE [--model iPhone] [--version 11.1.2] [--screen 375x667[@2]] [--with-nine]\n"
         "Makes the device folder DEVICE and installs this build's package (com.tovik.orvelle) into it.\n"
         "  --model      the device model (\"iPad\" for a tablet)\n"
         "  --version    the system version, one to three numbers (10.3.3, 11.1.2)\n"
         "  --screen     screen size in points, and optionally the scale after @\n"
         "  --with-nine  also install the Nine stand-in's package and its settings (tweakEnabled on)\n",
         createVerb},
        {"install",
         "orvelle-sim install DEVICE [FILE.deb [--watch]]\n"
         "Installs a package into the device as the phone's package manager does, or upgrades it: the package\n"
         "must be built for this machine's architecture, its Depends met by the device (mobilesubstrate,\n"
         "preferenceloader, firmware) and its installed packages, and it may hold only folders and regular\n"
         "files under /Library and /var. The files of an older version that the new one no longer has are\n"
         "removed; its maintainer scripts run inside the device as its user, and when one fails the device is\n"
         "left as it was. A booted device resprings when a library or filter in DynamicLibraries changed.\n"
         "Without FILE.deb, installs this build's own packages.\n"
         "  --watch  install again whenever FILE.deb is written anew, until Ctrl-C\n",
         installVerb},
        {"packages",
         "orvelle-sim packages DEVICE\n"
         "Lists the packages installed in the device: name, version and title, one a line.\n",
         packagesVerb},
        {"remove",
         "orvelle-sim remove DEVICE PACKAGE\n"
         "Removes exactly the files the package installed (running its prerm and postrm inside the device);\n"
         "refused while another installed package depends on it. A booted device resprings when a library or\n"
         "filter in DynamicLibraries went.\n",
         removeVerb},
        {"boot",
         "orvelle-sim boot DEVICE [--time ISO] [--locale L] [--tz ZONE] [--also PROGRAM]\n"
         "Starts the device in its sandbox and returns once SpringBoard is up. A tweak that keeps it from\n"
         "running (hanging, exiting or crashing as it loads or soon after) brings it up in safe mode,\n"
         "which boot says, naming the tweak.\n"
         "  --time    the device clock's start, ISO 8601 (passed to the programs as ORVELLE_TIME)\n"
         "  --locale  locale of the programs (default: the profile's), e.g. de_DE\n"
         "  --tz      time zone of the programs (default: the profile's), e.g. Europe/Paris\n"
         "  --also    one more program of this build for the device to keep, under the same crash policy\n",
         bootVerb},
        {"shutdown", "orvelle-sim shutdown DEVICE\nStops every program of the device.\n", shutdownVerb},
        {"status",
         "orvelle-sim status DEVICE\n"
         "Prints \"booted\" or \"shut down\" (with why, when its keeper stopped it: its files passed the disk\n"
         "bound), then, when its keeper started SpringBoard without tweaks after\n"
         "crashes, a \"safe mode:\" line with why and the libraries to blame, a \"limits:\" line with what\n"
         "bounds the device (its control group, or each program's resource limits) and every figure, a\n"
         "\"disk:\" line with what the device's files take of their bound, then each program of a booted\n"
         "device with its pid inside the device.\n",
         statusVerb},
        {"crashes",
         "orvelle-sim crashes DEVICE [REPORT]\n"
         "Lists the device's crash reports, newest first, each with what crashed, when, the signal and the\n"
         "tweaks it had loaded; with REPORT (a name from the list), prints that report with its backtrace.\n",
         crashesVerb},
        {"exec",
         "orvelle-sim exec DEVICE [--env NAME]... -- CMD [ARG...]\n"
         "orvelle-sim exec --fresh [--model M] [--version V] [--screen S] [--with-nine] [--env NAME]... -- CMD [ARG...]\n"
         "Runs a command inside the device's sandbox: in the booted device's namespaces, else in a new\n"
         "sandbox with the device's /var and /Library. With --fresh, in a new temporary device that is\n"
         "removed afterwards. Exits with the command's exit code.\n"
         "The command starts from the device's environment; --env NAME also gives it this shell's NAME.\n"
         "On a terminal it gets a terminal of its own inside the device, else pipes; the tool relays both.\n",
         execVerb},
        {"settings",
         "orvelle-sim settings DEVICE show | get KEY | set KEY VALUE [--type bool|int|real|string] | delete KEY\n"
         "Reads and edits the tweak's settings file, /var/mobile/Library/Preferences/com.tovik.orvelle.plist.\n"
         "  --type  the value's type for set (default string); bool takes true/false, yes/no or 1/0\n",
         settingsVerb},
        {"log",
         "orvelle-sim log DEVICE [--lines N | --all] [--follow]\n"
         "Prints the device log's last 1000 lines (at most 256 KB of them), control characters escaped.\n"
         "  --lines N  the last N lines\n"
         "  --all      every line\n"
         "  --follow   keeps printing what comes\n",
         logVerb},
        {"prefs",
         "orvelle-sim prefs DEVICE show [PAGE] | set KEY VALUE | press ACTION\n"
         "Runs the device's Settings app inside the device. show lists the panes, or with PAGE (a pane, a page's\n"
         "title or class) prints its rows: group, label, kind, current value. set changes the row that stores KEY\n"
         "as a person would (switch: on/off, list: a title or value, text, slider). press presses a button by its\n"
         "action or label (respringDevice, resetLayout, donatePayPal, donateWeChat).\n",
         prefsVerb},
        {"respring",
         "orvelle-sim respring DEVICE [--normal]\n"
         "Kills SpringBoard and backboardd inside the device and waits until a new SpringBoard is up.\n"
         "  --normal  leave safe mode: SpringBoard starts with its tweaks again\n",
         respringVerb},
        {"weather",
         "orvelle-sim weather DEVICE [--temperature T | --no-temperature] [--location L | --no-location]\n"
         "                           [--conditions C | --no-conditions] [--icon NAME | --no-icon]\n"
         "Writes the device's weather record (what is not given stays) and has a booted device's weather\n"
         "widget refresh now. NAME is sun, cloud, rain or snow. --no-X removes the value: the widget then\n"
         "has none to show, as before its data arrives. A new device starts with a sample record.\n",
         weatherVerb},
        {"media",
         "orvelle-sim media DEVICE play | stop\n"
         "Media starts or stops playing in another process of the booted device: its artwork comes or goes.\n",
         mediaVerb},
        {"lock",
         "orvelle-sim lock DEVICE [locked | unlocked]\n"
         "The booted device's lock state: locked, or unlocked by its owner's fingerprint while the lock\n"
         "screen stays (its call to action then says \"open\", its padlock opens). Prints the state after.\n"
         "A home screen starts locked.\n",
         lockVerb},
        {"statusbar",
         "orvelle-sim statusbar DEVICE [--carrier TEXT] [--signal 0-4] [--battery 0-100] [--charging yes|no] | clear\n"
         "Overrides what the booted device's status bar shows, for a picture: what is not given stays as it\n"
         "was; clear goes back to the device's own. Prints the overrides in force. They last until the home\n"
         "screen restarts.\n",
         statusBarVerb},
        {"clock",
         "orvelle-sim clock DEVICE [show | pause | resume | set ISO [--tz ZONE] | advance DURATION | rate N | real]\n"
         "The booted device's clock in hand: everything on the device that reads the time follows it (the panel,\n"
         "the stock date, the status bar, notification times, timers). set takes a date and time in the device's\n"
         "time zone (or ZONE's, or with Z or an offset), years 1970 to 9999; advance steps by DURATION (90s, -1m,\n"
         "1h, 2d); rate runs it N device seconds a real second (above 0, at most 3600: x1, x10, x60, x3600); real\n"
         "goes back to the real time. It lasts across a respring; a boot starts afresh. Prints the clock after.\n",
         clockVerb},
        {"notify",
         "orvelle-sim notify DEVICE post --app NAME [--title T] [--body B] [--at ISO] | clear ID | clear --all | list\n"
         "The booted device's notifications. post puts one on the lock screen (at ISO in the device's time zone,\n"
         "or now); clear takes one away by the number list shows, or all; list prints them newest first: number,\n"
         "time as the device says it, app, title, body. At most 100 are kept, each text at most 1000 characters;\n"
         "they last across a respring. A new device starts with three samples of today.\n",
         notifyVerb},
        {"touch",
         "orvelle-sim touch DEVICE press X Y [--hold SECONDS] | drag X1 Y1 X2 Y2 [--steps N]\n"
         "One finger on the booted device's lock screen, in points. press holds 0.1 s by default (0.5 s or more\n"
         "is a long press); drag moves in N steps (10 by default) from the first point to the second. A swipe\n"
         "right over the lock screen's background tries to open the today page.\n",
         touchVerb},
        {"dump",
         "orvelle-sim dump DEVICE [--at ISO] [--run SECONDS] [--locale L] [--tz ZONE] [--log FILE]\n"
         "Prints the lock screen as JSON: the device, the time, the screen, the view tree, the notification\n"
         "list's frame, the alerts and the hooks installed. A booted device answers live. A stopped one is\n"
         "started headless on a copy of its files, on a virtual clock from --at (default: now) for --run\n"
         "seconds (default 2), then dumped; the device itself is left as it was.\n"
         "  --locale, --tz  the run's locale and time zone (default: the profile's)\n"
         "  --log           also write the headless run's log to FILE\n",
         dumpVerb},
        {"screenshot",
         "orvelle-sim screenshot DEVICE FILE.png [--at ISO] [--run SECONDS] [--locale L] [--tz ZONE] [--log FILE]\n"
         "Writes the screen as a PNG at the device's scale: wallpaper, status bar, lock screen, alerts. A booted\n"
         "device is taken live. A stopped one is started headless on a copy of its files, on a virtual clock\n"
         "from --at (default: now) for --run seconds (default 2), so the picture is reproducible; the device\n"
         "itself is left as it was.\n"
         "  --locale, --tz  the run's locale and time zone (default: the profile's)\n"
         "  --log           also write the headless run's log to FILE\n",
         screenshotVerb},
        {"record",
         "orvelle-sim record DEVICE FILE [--seconds N]\n"
         "Records the live screen of a booted device for N seconds (default 10, at most 3600; Ctrl-C ends it\n"
         "early and keeps it) at the device's pixels, each change at the time it was shown, so a still screen\n"
         "costs a few frames. FILE's extension chooses: .webm (VP9), .mp4 (H.264) or .gif (ten frames a\n"
         "second at most). The file takes\n"
         "its name only once whole.\n",
         recordVerb},
        {"serve",
         "orvelle-sim serve DEVICE [DEVICE...] [--port N] [--page FOLDER]\n"
         "Serves the web simulator of a booted device on 127.0.0.1: the lock screen, live, beside the Settings\n"
         "app, with the mouse as a finger, and a panel that drives the device. Several devices (at most 8) are\n"
         "served on one page, side by side or one at a time, each with its own controls; a switch makes one\n"
         "change on every device shown. Devices that are down are booted, and shut down again at the end.\n"
         "Ctrl-C stops serving.\n"
         "  --port  the port (default 8022; 0 picks a free one)\n"
         "  --page  serve the page's files from FOLDER instead of the built-in copy (for editing the page)\n",
         serveVerb},
        {"matrix",
         "orvelle-sim matrix OUT [--screens LIST] [--versions LIST] [--styles LIST] [--locales LIST] [--set KEY=VALUE]...\n"
         "                       [--packages FILE.deb]... [--at ISO] [--jobs N] [--shard I/N] [--compare BASELINE] [--run S]\n"
         "orvelle-sim matrix merge OUT SHARD_DIR...\n"
         "Draws a one-shot screenshot of the lock screen with the panel for every combination of screen, system\n"
         "version, clock style and locale (the device table decides which screens ran which version), checks each\n"
         "shot's layout (blocks overlapping, text cut or truncated, a block off the screen, text under 3:1 against\n"
         "what lies under it, a shown label with no text) and writes the shots, their dumps and thumbnails,\n"
         "report.json and a contact sheet (sheet.html, sheet.png) to OUT. Exits 1 when a check finds a fault, a\n"
         "shot fails or, with --compare, a shot changed. LISTs are comma-separated.\n"
         "  --screens   screens in points (default: every phone screen: 320x568,375x667,414x736,375x812)\n"
         "  --versions  system versions, or 10 and 11 for 10.3.3 and 11.1.2 (default: 10.3.3,11.1.2)\n"
         "  --styles    clock styles, stacked and row (default: both)\n"
         "  --locales   locales (default: en_US,de_DE,ja_JP)\n"
         "  --set       a tweak setting for every shot (true/false a bool, a number an int or real, else a string)\n"
         "  --packages  a package to install into every device besides this build's\n"
         "  --at        the shots' instant, ISO 8601 (default: 2026-12-07T21:05:02Z)\n"
         "  --jobs      shots drawn at once (default: two for each of the machine's cores)\n"
         "  --shard     draw only shard I of N (from 1): every Nth combination from the Ith; merge joins them\n"
         "  --compare   an earlier run's OUT: every shot whose pixels differ is marked, with a picture in diffs/\n"
         "  --run       seconds of the device's clock before each shot (default 2)\n"
         "OUT is made, or an earlier matrix's OUT is drawn anew; a folder holding other files is refused.\n"
         "merge joins the OUT folders of all N shards of one matrix into OUT, as one run would have left it.\n",
         matrixVerb},
    };
    return all;
}

int printUsage(const char* verbName) {
    for (const Verb& v : verbs())
        if (std::strcmp(v.name, verbName) == 0) std::fputs(v.usage, stdout);
    return 0;
}

}  // namespace cli

namespace {

void printOverview(FILE* to) {
    std::fputs("usage: orvelle-sim VERB DEVICE [ARGS...]   (orvelle-sim VERB --help for one verb)\n", to);
    for (const cli::Verb& v : cli::verbs()) {
        const char* end = std::strchr(v.usage, '\n');
        std::fprintf(to, "  %.*s\n", static_cast<int>(end - v.usage), v.usage);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printOverview(stderr);
        return 2;
    }
    std::string verbName = argv[1];
    if (verbName == "--help" || verbName == "help" || verbName == "-h") {
        printOverview(stdout);
        return 0;
    }
    const cli::Verb* verb = nullptr;
    for (const cli::Verb& v : cli::verbs())
        if (verbName == v.name) verb = &v;
    if (!verb) {
        std::fprintf(stderr, "orvelle-sim: unknown verb \"%s\" (orvelle-sim --help lists them)\n", verbName.c_str());
        return 2;
    }
    std::vector<std::string> words(argv + 2, argv + argc);
    try {
        return verb->run(words);
    } catch (const cli::UsageError& e) {
        std::fprintf(stderr, "orvelle-sim %s: %s (orvelle-sim %s --help)\n", verb->name, sim::terminalSafe(e.what()).c_str(),
                     verb->name);
        return 2;
    } catch (const sim::Failure& e) {
        // A failure may name a file or quote a text of the device's.
        std::fprintf(stderr, "orvelle-sim %s: %s\n", verb->name, sim::terminalSafe(e.what()).c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orvelle-sim %s: %s\n", verb->name, sim::terminalSafe(e.what()).c_str());
        return 1;
    }
}
