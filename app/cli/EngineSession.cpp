#include "EngineSession.h"

#include "platform/Cp1252.h"
#include "platform/RuntimeError.h"

#include <ostream>

namespace dovrex::cli {

namespace {

// A value from the command line or the terminal arrives whole, as a text pasted into the
// box: the box keeps it up to its length and the map's parser reads it as it is (no key
// filter, which only sees keys typed one by one).
std::string AsPasted(const PromptRow& row, const std::string& text) {
    if (row.MaxLength > 0 && text.size() > static_cast<size_t>(row.MaxLength)) return text.substr(0, row.MaxLength);
    return text;
}

} // namespace

std::optional<std::string> CliPromptView::Ask(const PromptRow& row) {
    const auto values = mContext.PromptValues();
    if (const auto given = values.find(row.FieldName); given != values.end()) return AsPasted(row, given->second);
    const auto typed = mContext.Terminal().AskLine(Cp1252ToUtf8(row.FieldName) + (row.Required ? " (required)" : "") + ": ");
    if (!typed) return std::nullopt;
    return AsPasted(row, *typed);
}

PromptAnswer CliPromptView::ShowPrompts(const std::vector<PromptRow>& rows) {
    PromptAnswer answer;
    answer.Texts.resize(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].Entry == PromptRow::Box::None) continue;
        const auto value = Ask(rows[i]);
        if (!value) {
            answer.Action = PromptActionCancel;
            return answer;
        }
        answer.Texts[i] = *value;
    }
    // OK refuses a blank required value; the terminal may try again, a script cannot.
    while (const auto missing = PromptVariables::FirstMissing(rows, answer.Texts)) {
        mContext.Messages().Inform(PromptVariables::RequiredMessage(rows[*missing]));
        const auto typed = mContext.Terminal().AskLine(Cp1252ToUtf8(rows[*missing].FieldName) + " (required): ");
        if (!typed) {
            answer.Action = PromptActionCancel;
            return answer;
        }
        answer.Texts[*missing] = AsPasted(rows[*missing], *typed);
    }
    answer.Action = PromptActionOK;
    return answer;
}

EngineSession::EngineSession(CliContext& context)
    : mLocations(context.Locations()), mLog(context.Out), mPromptView(context), mUnitChooser(context),
      mPalmDesktop(mLocations.PalmDesktop, mLocations.Home) {
    mRegistry = std::make_unique<clsRegistry>(mLocations.Registry, &context.Messages());
    // A store that cannot be read would run the engine on default settings.
    if (const std::string& problem = mRegistry->ReadError(); !problem.empty()) RaiseError(ErrPathFileAccess, problem);
    mEngine = std::make_unique<clsExchange>(mLog, context.Messages(), mProgress, mClock, LocaleFormats::System(),
                                            mLocations.Home);
    mEngine->SetRegistry(mRegistry.get());
    mEngine->SetPromptView(&mPromptView);
    mEngine->SetPalmDesktop(&mPalmDesktop);
    mEngine->SetUnitChooser(&mUnitChooser);
}

} // namespace dovrex::cli
