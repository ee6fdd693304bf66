#pragma once

// The rules of the "Runtime Variables" dialog, shared by every front end: which map
// fields are asked, which entry box each gets, the keys a numeric box accepts, the
// required check of OK, and how the answers refill clsPrompts.

#include "clsPrompts.h"

#include <optional>
#include <string>
#include <vector>

namespace dovrex {

class clsExchMap;

// The button actions the dialog returns.
inline constexpr const char* PromptActionOK = "OK";
inline constexpr const char* PromptActionCancel = "CANCEL";

// One row of the dialog: a prompted map field.
struct PromptRow {
    enum class Box { Text, Numeric, None }; // date and time fields get a label only

    int FieldNumber = 0;
    std::string FieldName;
    int DataType = 0;
    bool Required = false;
    Box Entry = Box::Text;
    int MaxLength = 0; // numeric boxes: 3, 5 or 10 characters; 0 = no limit

    // The entry box's tag: "*" for a required field, else a blank, then the field name.
    std::string Tag() const { return (Required ? "*" : " ") + FieldName; }
};

// What the user did: the action of the button that closed the dialog ("OK", "CANCEL",
// or empty when the window was closed) and the text of each row's box, in row order.
struct PromptAnswer {
    std::string Action;
    std::vector<std::string> Texts;
};

// The front end's dialog. It shows the rows modally; its OK button uses
// PromptVariables::FirstMissing and shows FieldName + " Required" when a box fails.
class IPromptVariablesView {
public:
    virtual ~IPromptVariablesView() = default;
    virtual PromptAnswer ShowPrompts(const std::vector<PromptRow>& rows) = 0;
};

class PromptVariables {
public:
    // The rows for every field with the Prompt option, in map order.
    static std::vector<PromptRow> Rows(const clsExchMap& Map);

    // A key typed into a numeric box is kept only when this is true: digits, ".", "-",
    // backspace and the copy, paste and cut control characters.
    static bool AcceptKey(int charCode);
    // A typed text as a numeric box would keep it: filtered by AcceptKey, cut to the length.
    static std::string FilterTyped(const PromptRow& row, const std::string& typed);

    // The row that OK must refuse: text boxes are checked first, then numeric boxes, each in
    // row order; the first required box that is blank after trimming fails.
    static std::optional<size_t> FirstMissing(const std::vector<PromptRow>& rows, const std::vector<std::string>& texts);
    static std::string RequiredMessage(const PromptRow& row) { return row.FieldName + " Required"; }

    // Shows the dialog for a loaded map and returns "OK", "CANCEL" or empty. Without prompted
    // fields nothing is shown and clsPrompts keeps its values; otherwise clsPrompts is
    // cleared and, on OK, refilled from the text boxes and then the numeric boxes.
    static std::string Display(const clsExchMap& Map, clsPrompts& Prompts, IPromptVariablesView& View);
};

} // namespace dovrex
