#include "Serve.h"

#include <unistd.h>

#include <cstdio>

#include "foundation/RunLoop.h"
#include "wire/Channel.h"
#include "wire/Hello.h"
#include "wire/settings.pb.h"

namespace prefs {

namespace {

wire::FromSettings answerTo(const Settings& settings, const wire::ToSettings& request) {
    wire::FromSettings out;
    out.set_id(request.id());
    ns::Result<nlohmann::json> page = ns::fail("the Settings app has no such request");
    switch (request.command_case()) {
        case wire::ToSettings::kHello:
            if (auto spoken = wire::checkHello(request.hello()); !spoken) {
                out.mutable_failure()->set_kind(wire::Failure::BAD_REQUEST);
                out.mutable_failure()->set_reason(spoken.reason());
            } else {
                *out.mutable_hello() = wire::hello("Preferences");
            }
            return out;
        case wire::ToSettings::kShow: page = showJson(settings, request.show()); break;
        case wire::ToSettings::kSet:
            page = setJson(settings, request.set().page(), request.set().key(), request.set().value());
            break;
        case wire::ToSettings::kPress: page = pressJson(settings, request.press().page(), request.press().action()); break;
        default: break;
    }
    if (!page) {
        out.mutable_failure()->set_kind(wire::Failure::BAD_REQUEST);
        out.mutable_failure()->set_reason(page.reason());
    } else {
        out.set_page(page->dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    }
    return out;
}

}  // namespace

int serve(const Settings& settings) {
    // The answers keep standard output to themselves: anything else printed
    // there (a button's programs) goes to standard error.
    std::fflush(stdout);
    int answers = dup(STDOUT_FILENO);
    int requests = dup(STDIN_FILENO);
    if (answers < 0 || requests < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        std::fprintf(stderr, "Preferences: cannot keep its answers apart\n");
        return 1;
    }
    int code = 0;
    wire::Channel channel(
        ns::UniqueFd(requests), ns::UniqueFd(answers), {"the web simulator's session", wire::kLargestRequest},
        [&](std::string frame) {
            auto request = wire::decode<wire::ToSettings>(frame);
            if (!request) {
                std::fprintf(stderr, "Preferences: the session sent %s\n", request.reason().c_str());
                code = 1;
                return ns::RunLoop::main().stop();
            }
            wire::FromSettings answer;
            try {
                answer = answerTo(settings, *request);
            } catch (const std::exception& e) {
                answer.Clear();
                answer.set_id(request->id());
                answer.mutable_failure()->set_kind(wire::Failure::FAILED);
                answer.mutable_failure()->set_reason(e.what());
            }
            channel.send(answer);
        },
        [&](const std::string& why) {
            // Standard input closed: the session is over.
            if (why.find("closed") == std::string::npos) std::fprintf(stderr, "Preferences: %s\n", why.c_str());
            ns::RunLoop::main().stop();
        });
    ns::RunLoop::main().run();
    return code;
}

}  // namespace prefs
