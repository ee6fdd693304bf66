#include "ConfigCommand.h"

#include "platform/Cp1252.h"
#include "platform/ProgramKey.h"
#include "platform/clsRegistry.h"
#include "platform/modRuntime.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <functional>
#include <ostream>

namespace dovrex::cli {

namespace {

// "Route/Source" as the key path below the program's key and the value name; nested
// subkeys are separated by "/" as well.
bool SplitName(const std::string& text, std::string& subkey, std::string& name) {
    const size_t slash = text.rfind('/');
    if (slash == std::string::npos || slash == 0 || slash + 1 == text.size()) return false;
    subkey = Replace(text.substr(0, slash), "/", "\\");
    name = text.substr(slash + 1);
    return true;
}

void ListKey(clsRegistry& registry, const std::string& keyPath, const std::string& prefix, std::ostream& out) {
    for (const std::string& name : registry.GetValues({kProgramHive, keyPath})) {
        const std::string value = registry.GetValue({kProgramHive, keyPath, name}).ToText();
        out << Cp1252ToUtf8(prefix + name) << '=' << Cp1252ToUtf8(value) << '\n';
    }
    for (const std::string& subkey : registry.GetKeys({kProgramHive, keyPath})) {
        ListKey(registry, keyPath + "\\" + subkey, prefix + subkey + "/", out);
    }
}

// False, after saying why, when the store file exists but cannot be read: listing it as
// empty or changing it would mislead.
bool StoreReadable(clsRegistry& registry, CliContext& context) {
    if (registry.ReadError().empty()) return true;
    context.Fail(registry.LastError());
    return false;
}

} // namespace

void ConfigCommand::Register(CLI::App& app) {
    mCommand = app.add_subcommand("config", "Show or change the stored settings");
    mCommand->require_subcommand(1);
    mCommand->fallthrough();
    mList = mCommand->add_subcommand("list", "Print every stored value as Subkey/Name=Value");
    mSet = mCommand->add_subcommand("set", "Store values, e.g. Route/Source=/data/route.txt");
    mSet->add_option("ASSIGNMENT", mAssignments, "Subkey/Name=Value")->required();
    mUnset = mCommand->add_subcommand("unset", "Delete stored values");
    mUnset->add_option("NAME", mNames, "Subkey/Name")->required();
    for (CLI::App* sub : {mList, mSet, mUnset}) sub->fallthrough();
}

int ConfigCommand::Run(CliContext& context) {
    if (mList->parsed()) return List(context);
    if (mSet->parsed()) return Set(context);
    return Unset(context);
}

int ConfigCommand::List(CliContext& context) {
    clsRegistry registry(context.Locations().Registry, &context.Messages());
    if (!StoreReadable(registry, context)) return ExitFailed;
    ListKey(registry, kProgramKey, "", context.Out);
    return ExitOk;
}

int ConfigCommand::Set(CliContext& context) {
    clsRegistry registry(context.Locations().Registry, &context.Messages());
    if (!StoreReadable(registry, context)) return ExitFailed;
    int result = ExitOk;
    for (const std::string& assignment : mAssignments) {
        const size_t equals = assignment.find('=');
        std::string subkey, name;
        if (equals == std::string::npos || !SplitName(Utf8ToCp1252(assignment.substr(0, equals)), subkey, name)) {
            context.Fail("expected Subkey/Name=Value, got '" + assignment + "'");
            return ExitUsage;
        }
        const std::vector<std::string> path = ProgramValuePath(subkey, name);
        if (!registry.SaveValue(Utf8ToCp1252(assignment.substr(equals + 1)), path)) {
            context.Fail("cannot store " + assignment.substr(0, equals) + ": " + registry.LastError());
            result = ExitFailed;
        }
    }
    return result;
}

int ConfigCommand::Unset(CliContext& context) {
    clsRegistry registry(context.Locations().Registry, &context.Messages());
    if (!StoreReadable(registry, context)) return ExitFailed;
    int result = ExitOk;
    for (const std::string& text : mNames) {
        std::string subkey, name;
        if (!SplitName(Utf8ToCp1252(text), subkey, name)) {
            context.Fail("expected Subkey/Name, got '" + text + "'");
            return ExitUsage;
        }
        // Ask first: deleting a missing value would create its key.
        const auto names = registry.GetValues(ProgramKeyPath(subkey));
        const bool present = std::any_of(names.begin(), names.end(), [&](const std::string& n) { return EqualsNoCase(n, name); });
        if (!present || !registry.DeleteValue(ProgramValuePath(subkey, name))) {
            context.Fail(registry.LastError().empty() ? "no stored value " + text : "cannot delete " + text + ": " + registry.LastError());
            result = ExitFailed;
        }
    }
    return result;
}

} // namespace dovrex::cli
