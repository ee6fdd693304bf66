#include "PromptVariables.h"

#include "maps/clsExchMap.h"
#include "platform/modRuntime.h"

namespace dovrex {

namespace {

// Boxes are checked and stored text boxes first, then numeric boxes, as the dialog
// numbers its two arrays of boxes.
std::vector<size_t> BoxOrder(const std::vector<PromptRow>& rows) {
    std::vector<size_t> order;
    for (const auto box : {PromptRow::Box::Text, PromptRow::Box::Numeric}) {
        for (size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].Entry == box) order.push_back(i);
        }
    }
    return order;
}

} // namespace

std::vector<PromptRow> PromptVariables::Rows(const clsExchMap& Map) {
    std::vector<PromptRow> rows;
    for (int n = 1; n <= Map.FieldCount(); ++n) {
        if (Map.MapOption(n) != MapOptionPrompt) continue;
        PromptRow row;
        row.FieldNumber = n;
        row.FieldName = Map.FieldName(n, false);
        row.DataType = Map.DataType(n);
        row.Required = Map.Required(n);
        switch (row.DataType) {
        case DataTypeText: row.Entry = PromptRow::Box::Text; break;
        case DataTypeInt16: row.Entry = PromptRow::Box::Numeric; row.MaxLength = 3; break;
        case DataTypeInt32: row.Entry = PromptRow::Box::Numeric; row.MaxLength = 5; break;
        case DataTypeDouble: row.Entry = PromptRow::Box::Numeric; row.MaxLength = 10; break;
        default: row.Entry = PromptRow::Box::None; break;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

bool PromptVariables::AcceptKey(int charCode) {
    return (charCode >= '0' && charCode <= '9') || charCode == '.' || charCode == '-' || charCode == 8 ||
           charCode == 3 || charCode == 22 || charCode == 24;
}

std::string PromptVariables::FilterTyped(const PromptRow& row, const std::string& typed) {
    if (row.Entry != PromptRow::Box::Numeric) return typed;
    std::string kept;
    for (const char c : typed) {
        if (c != 8 && AcceptKey(static_cast<unsigned char>(c)) && c >= ' ') kept += c;
    }
    if (row.MaxLength > 0 && kept.size() > static_cast<size_t>(row.MaxLength)) kept.resize(static_cast<size_t>(row.MaxLength));
    return kept;
}

std::optional<size_t> PromptVariables::FirstMissing(const std::vector<PromptRow>& rows,
                                                    const std::vector<std::string>& texts) {
    for (const size_t i : BoxOrder(rows)) {
        const std::string text = i < texts.size() ? texts[i] : std::string();
        if (rows[i].Required && Trim(text).empty()) return i;
    }
    return std::nullopt;
}

std::string PromptVariables::Display(const clsExchMap& Map, clsPrompts& Prompts, IPromptVariablesView& View) {
    const std::vector<PromptRow> rows = Rows(Map);
    if (rows.empty()) return PromptActionOK;
    const PromptAnswer answer = View.ShowPrompts(rows);
    Prompts.Clear();
    if (answer.Action == PromptActionOK) {
        for (const size_t i : BoxOrder(rows)) {
            Prompts.Add(rows[i].FieldName, i < answer.Texts.size() ? answer.Texts[i] : std::string());
        }
    }
    return answer.Action;
}

} // namespace dovrex
