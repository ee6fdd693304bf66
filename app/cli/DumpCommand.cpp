#include "DumpCommand.h"

#include "handheld_db/QVFReader.h"
#include "platform/Cp1252.h"
#include "platform/RuntimeError.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <iomanip>
#include <ostream>
#include <sstream>

namespace dovrex::cli {

namespace {

using nlohmann::ordered_json;

std::string KindName(int32_t recordType) {
    const auto kind = QVFRecord::KindOf(recordType);
    if (!kind) return "unknown";
    switch (*kind) {
    case clsQVF::rtHeader: return "header";
    case clsQVF::rtRoute: return "route";
    case clsQVF::rtMeter: return "meter";
    case clsQVF::rtOrphan: return "orphan";
    case clsQVF::rtLogins: return "login table";
    case clsQVF::rtCodes: return "skip and changeout codes";
    case clsQVF::rtIndex: return "word index";
    case clsQVF::rtAlerts: return "alert preferences";
    default: return "unknown";
    }
}

std::string Hex(const std::string& bytes) {
    std::ostringstream out;
    for (const char c : bytes) out << std::hex << std::setw(2) << std::setfill('0') << (static_cast<unsigned>(c) & 0xFF);
    return out.str();
}

// A text for the terminal: UTF-8, quoted, control characters escaped.
std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : Cp1252ToUtf8(text)) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u == 0x7F) {
            std::ostringstream escaped;
            escaped << "\\x" << std::hex << std::setw(2) << std::setfill('0') << static_cast<unsigned>(u);
            out += escaped.str();
        } else {
            out += c;
        }
    }
    return out + "\"";
}

ordered_json JsonValue(const Value& value) {
    if (value.IsText()) return Cp1252ToUtf8(value.Text());
    if (value.GetKind() == Value::Kind::Integer) return value.Integer();
    if (value.GetKind() == Value::Kind::Double) return value.Double();
    return nullptr;
}

std::string DateText(const std::optional<DateTime>& date) { return date ? IsoText(*date) : "-"; }

// One decoded record, as JSON; the text form is rendered from it.
ordered_json RecordJson(const QVFRecord& decoded) {
    ordered_json record = ordered_json::object();
    for (const auto& [name, value] : decoded.Fields) record[name] = JsonValue(value);
    if (decoded.RecordLayout == QVFRecord::Layout::Code) {
        ordered_json entries = ordered_json::array();
        for (const QVFCodeEntry& entry : decoded.CodeEntries) {
            entries.push_back({Cp1252ToUtf8(entry.Code), Cp1252ToUtf8(entry.CodeValue), Cp1252ToUtf8(entry.Data)});
        }
        record["entries"] = entries;
    } else if (decoded.RecordLayout == QVFRecord::Layout::Index) {
        ordered_json entries = ordered_json::array();
        for (const QVFIndexEntry& entry : decoded.IndexEntries) entries.push_back(Cp1252ToUtf8(entry.Text()));
        record["entries"] = entries;
    }
    if (!decoded.Problem.empty()) record["error"] = decoded.Problem;
    if (decoded.Undecoded) record["raw"] = Hex(*decoded.Undecoded);
    return record;
}

void PrintRecord(std::ostream& out, size_t number, const ordered_json& record, int32_t type) {
    out << "Record " << number << " (" << KindName(type) << ")\n";
    for (const auto& [name, value] : record.items()) {
        if (name == "entries") {
            for (const auto& entry : value) {
                if (entry.is_array()) {
                    out << "  entry";
                    for (const auto& part : entry) out << ' ' << Quoted(Utf8ToCp1252(part.get<std::string>()));
                    out << '\n';
                } else {
                    out << "  entry " << entry.get<std::string>() << '\n';
                }
            }
            continue;
        }
        out << "  " << std::left << std::setw(16) << name << ' ';
        if (value.is_string()) out << Quoted(Utf8ToCp1252(value.get<std::string>()));
        else out << value.dump();
        out << '\n';
    }
}

} // namespace

void DumpCommand::Register(CLI::App& app) {
    mCommand = app.add_subcommand("dump", "Print every record of a QVF database file (PDB or VFS)");
    mCommand->add_option("FILE", mFile, "The database file")->required();
    mCommand->add_flag("--json", mJson, "Print one JSON object instead of text");
    mCommand->fallthrough();
}

int DumpCommand::Run(CliContext& context) {
    QVFReader reader;
    if (!reader.Open(mFile)) {
        context.Fail(mFile + ": " + reader.FailureReason());
        return ExitFailed;
    }
    const int version = reader.Version();
    ordered_json document = ordered_json::object();
    clsPalmDB& db = reader.Database().DB();
    document["container"] = reader.Database().GetType() == ContainerPDB ? "PDB" : "VFS";
    document["title"] = Cp1252ToUtf8(db.Title());
    document["type"] = Cp1252ToUtf8(db.DBType());
    document["creator"] = Cp1252ToUtf8(db.Creator());
    document["version"] = version;
    document["created"] = DateText(db.CreateDate());
    document["modified"] = DateText(db.ModifyDate());
    document["backup"] = DateText(db.BackupDate());
    document["attributes"] = db.Attributes();
    ordered_json records = ordered_json::array();
    std::vector<int32_t> types;
    try {
        QVFRecord record;
        while (reader.ReadNext(record)) {
            types.push_back(record.RecordType);
            records.push_back(RecordJson(record));
        }
    } catch (const std::exception& e) {
        context.Fail(mFile + ": record " + std::to_string(records.size()) + ": " + DescribeException(e));
        return ExitFailed;
    }
    document["records"] = records;

    std::ostream& out = context.Out;
    if (mJson) {
        out << document.dump(2) << '\n';
        return ExitOk;
    }
    out << "Container:  " << document["container"].get<std::string>() << '\n'
        << "Title:      " << Quoted(db.Title()) << '\n'
        << "Type:       " << Quoted(db.DBType()) << '\n'
        << "Creator:    " << Quoted(db.Creator()) << '\n'
        << "Created:    " << document["created"].get<std::string>() << '\n'
        << "Modified:   " << document["modified"].get<std::string>() << '\n'
        << "Backed up:  " << document["backup"].get<std::string>() << '\n'
        << "Attributes: " << db.Attributes() << '\n'
        << "Records:    " << records.size() << '\n'
        << "Version:    " << version << '\n';
    for (size_t i = 0; i < records.size(); ++i) {
        out << '\n';
        PrintRecord(out, i, records[i], types[i]);
    }
    return ExitOk;
}

} // namespace dovrex::cli
