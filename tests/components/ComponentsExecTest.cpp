#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/InstallerLog.h"
#include "components/Components.h"
#include "components/IExecuteCallback.h"
#include "lib/TextConversion.h"
#include "tests/base/LogCapture.h"
#include "tests/components/ComponentLoading.h"
#include "tests/components/ProcessTesting.h"

using namespace ProcessTesting;

namespace {

// What the callback does at one of its operations for one component.
enum Action { Go, Stop, ThrowStandard, ThrowOther };

// Logs each call, so the log holds the whole sequence in order, and acts as told.
class ScriptedCallback : public IExecuteCallback {
public:
    explicit ScriptedCallback(std::map<std::string, Action> script) : m_script(std::move(script)) {}

    bool OnDownload(const ComponentPtr& component) override { return Act("download", component); }
    bool OnWaitForComplete(const ComponentPtr& component) override { return Act("wait", component); }
    bool OnComplete(const ComponentPtr& component) override { return Act("complete", component); }
    bool OnError(const ComponentPtr& component, const std::exception& error) override {
        LOG(L"cb error text " << component->description << L": " << Kestlib::AnsiToWide(error.what()));
        return Act("error", component);
    }

private:
    bool Act(const std::string& operation, const ComponentPtr& component) {
        const std::string name = Kestlib::WideToAnsi(component->description);
        LOG(L"cb " << component->description << L" " << Kestlib::AnsiToWide(operation));
        auto found = m_script.find(name + " " + operation);
        const Action action = found == m_script.end() ? Go : found->second;
        if (action == ThrowStandard) throw std::runtime_error("callback failed");
        if (action == ThrowOther) throw 42;
        return action == Go;
    }

    std::map<std::string, Action> m_script;
};

// The loop's lines of the log, shortened: "B exec", "B ok", "B skipped",
// "B error", "unknown", and the callback's "B download" and so on. Any line
// of the loop that does not match the exact texts stays whole and so fails.
std::string Trace(const std::string& log) {
    std::istringstream lines(log);
    std::string line, trace;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string message = line.substr(line.find('\t') + 1);
        std::string token;
        if (message.rfind("cb error text ", 0) == 0) continue;
        if (message.rfind("cb ", 0) == 0) {
            token = message.substr(3);
        } else if (message == "An unknown error was caught in Components::Exec()") {
            token = "unknown";
        } else if (message.rfind("--- Component '", 0) == 0 || message.rfind("*** Component '", 0) == 0) {
            const size_t end = message.find('\'', 15);
            const std::string name = message.substr(15, end - 15), rest = message.substr(end);
            if (rest == "': SKIPPED") token = name + " skipped";
            else if (rest == "': EXECUTING") token = name + " exec";
            else if (rest == "': SUCCESS") token = name + " ok";
            else if (rest.rfind("' ERROR: ", 0) == 0) token = name + " error";
            else token = message;
        } else {
            continue;
        }
        trace += (trace.empty() ? "" : ", ") + token;
    }
    return trace;
}

ComponentPtr Cmd(const std::string& name, const std::string& exitCode) {
    return LoadComponent("<component type=\"cmd\" description=\"" + name + "\" command=\"" +
                         Kestlib::WideToAnsi(Program(L"proc_exitcode.exe")) + " " + exitCode + "\"/>");
}

class ComponentsExecTest : public ProcessComponentTestBase {};

TEST_F(ComponentsExecTest, RunsTheSelectedComponentsAndKeepsTheFirstFailure) {
    struct Case {
        const char* name;
        std::vector<std::string> codes;  // "-" before a code: not selected
        bool callback;
        std::map<std::string, Action> script;
        int result;
        const char* trace;
    } cases[] = {
        {"middle failures go on", {"0", "3010", "7", "0"}, true, {}, 3010,
         "A exec, A download, A wait, A ok, A complete, B exec, B download, B wait, B error, B error, "
         "C exec, C download, C wait, C error, C error, D exec, D download, D wait, D ok, D complete"},
        {"no callback", {"0", "3010", "7", "0"}, false, {}, 3010,
         "A exec, A ok, B exec, B error, C exec, C error, D exec, D ok"},
        {"unselected skipped", {"0", "-3010", "7"}, true, {}, 7,
         "A exec, A download, A wait, A ok, A complete, B skipped, C exec, C download, C wait, C error, C error"},
        {"stop on complete", {"0", "5"}, true, {{"A complete", Stop}}, 0,
         "A exec, A download, A wait, A ok, A complete"},
        {"stop on error", {"0", "5", "0"}, true, {{"B error", Stop}}, 5,
         "A exec, A download, A wait, A ok, A complete, B exec, B download, B wait, B error, B error"},
        {"stop on download", {"0", "5"}, true, {{"B download", Stop}}, 0,
         "A exec, A download, A wait, A ok, A complete, B exec, B download"},
        {"stop on wait", {"5", "0"}, true, {{"A wait", Stop}}, 0, "A exec, A download, A wait"},
        {"failure after a zero exit code", {"0", "9"}, true, {{"A complete", ThrowStandard}}, -1,
         "A exec, A download, A wait, A ok, A complete, A error, A error, "
         "B exec, B download, B wait, B error, B error"},
        // Not started: the exit code of a component that never ran.
        {"unknown error", {"0", "0"}, true, {{"A download", ThrowOther}}, 0xFFFFFF,
         "A exec, A download, unknown, B exec, B download, B wait, B ok, B complete"},
        // Unknown, yet still a failure: never a success code.
        {"unknown error after a zero exit code", {"0"}, true, {{"A complete", ThrowOther}}, -1,
         "A exec, A download, A wait, A ok, A complete, unknown"},
        {"unknown error after a failure", {"4", "0"}, true, {{"B complete", ThrowOther}}, 4,
         "A exec, A download, A wait, A error, A error, B exec, B download, B wait, B ok, B complete, unknown"},
    };
    for (const Case& c : cases) {
        Components components;
        for (size_t i = 0; i < c.codes.size(); ++i) {
            const bool selected = c.codes[i][0] != '-';
            components.push_back(Cmd(std::string(1, static_cast<char>('A' + i)), c.codes[i].substr(selected ? 0 : 1)));
            components.back()->selected = selected;
        }
        ScriptedCallback callback(c.script);
        LogCapture log;
        EXPECT_EQ(components.Exec(c.callback ? &callback : nullptr), c.result) << c.name;
        EXPECT_EQ(Trace(log.Text()), c.trace) << c.name;
    }
}

TEST_F(ComponentsExecTest, LogsTheExactLinesAndHandsTheErrorToTheCallback) {
    Components components{Cmd("Skipped one", "0"), Cmd("Good", "0"), Cmd("Bad", "3010")};
    components[0]->selected = false;
    ScriptedCallback callback({});
    LogCapture log;
    EXPECT_EQ(components.Exec(&callback), 3010);
    const std::string text = log.Text();
    size_t previous = 0;
    for (const char* line : {"--- Component 'Skipped one': SKIPPED", "--- Component 'Good': EXECUTING",
                             "*** Component 'Good': SUCCESS", "--- Component 'Bad': EXECUTING",
                             "*** Component 'Bad' ERROR: Error executing 'Bad': 0xbc2",
                             "cb error text Bad: Error executing 'Bad': 0xbc2"}) {
        const size_t at = text.find("\t" + std::string(line) + "\r\n", previous);
        ASSERT_NE(at, std::string::npos) << line;
        previous = at;
    }
    EXPECT_EQ(Components().Exec(&callback), 0);
}

TEST_F(ComponentsExecTest, AProgramThatCannotStartFailsWithTheNotStartedCode) {
    Components components{LoadComponent("<component type=\"cmd\" description=\"Missing\" command=\"" +
                                        Kestlib::WideToAnsi(Program(L"no_such_program.exe")) + "\"/>")};
    EXPECT_EQ(components.Exec(nullptr), 0xFFFFFF);
}

}  // namespace
