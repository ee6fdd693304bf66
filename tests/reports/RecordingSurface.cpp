#include "RecordingSurface.h"

#include "platform/RuntimeError.h"

namespace dovrex::test {

namespace {

DrawCall Shape(DrawCall::Kind what, double x1, double y1, double x2, double y2, int16_t drawMode = 0) {
    DrawCall call;
    call.What = what;
    call.X = x1 / RecordingPrinter::Dpi;
    call.Y = y1 / RecordingPrinter::Dpi;
    call.X2 = x2 / RecordingPrinter::Dpi;
    call.Y2 = y2 / RecordingPrinter::Dpi;
    call.DrawMode = drawMode;
    return call;
}

} // namespace

void RecordingPrinter::Record(DrawCall call) {
    call.Page = Sheet;
    call.Font = Font();
    Calls.push_back(std::move(call));
}

void RecordingPrinter::DeviceText(double x, double y, const ReportFont&, std::string_view line) {
    DrawCall call;
    call.What = DrawCall::kText;
    call.X = x / Dpi;
    call.Y = y / Dpi;
    call.Text = line;
    Record(call);
}

void RecordingPrinter::DeviceLine(double x1, double y1, double x2, double y2, int16_t drawMode) {
    Record(Shape(DrawCall::kLine, x1, y1, x2, y2, drawMode));
}

void RecordingPrinter::DeviceFill(double left, double top, double right, double bottom, int16_t drawMode) {
    Record(Shape(DrawCall::kFill, left, top, right, bottom, drawMode));
}

void RecordingPrinter::DevicePicture(const IReportPicture&, double x, double y, double width, double height) {
    Record(Shape(DrawCall::kPicture, x, y, x + width, y + height));
}

void RecordingPrinter::DeviceSurface(ReportSurface&, double x, double y, double width, double height) {
    Record(Shape(DrawCall::kSurface, x, y, x + width, y + height));
}

void RecordingPrinter::DeviceBlit(ReportSurface&, int32_t width, int32_t height, int32_t destX, int32_t destY) {
    Record(Shape(DrawCall::kBlit, destX, destY, destX + width, destY + height));
}

void RecordingPrinter::DeviceClear() { Record(Shape(DrawCall::kClear, 0, 0, 0, 0)); }

void RecordingPrinter::SetPaperBin(int16_t bin) {
    if (RejectBin) RaiseError(ErrInvalidCall, "No such paper bin");
    Bin = bin;
}

void RecordingPrinter::NewPage() {
    ++NewPages;
    ++Sheet;
}

std::vector<DrawCall> RecordingPrinter::Texts(int sheet) const {
    std::vector<DrawCall> texts;
    for (const DrawCall& call : Calls) {
        if (call.What == DrawCall::kText && (sheet == 0 || call.Page == sheet)) texts.push_back(call);
    }
    return texts;
}

std::string RecordingPrinter::Joined(int sheet) const {
    std::string joined;
    for (const DrawCall& call : Texts(sheet)) joined += (joined.empty() ? "" : "|") + call.Text;
    return joined;
}

bool RecordingPrinter::HasText(const std::string& text, int sheet) const {
    for (const DrawCall& call : Texts(sheet)) {
        if (call.Text == text) return true;
    }
    return false;
}

bool ScriptedStatus::Status(const std::string& NewStatus) {
    if (NewStatus.empty()) {
        Requested = false;
    } else if (CancelAtCall == static_cast<int>(Texts.size())) {
        Requested = true;
    }
    Texts.push_back(NewStatus);
    return NewStatus.empty() ? false : Requested;
}

RecordingPrinters::RecordingPrinters(std::vector<std::string> names) {
    for (std::string& name : names) Printers.push_back(std::make_unique<RecordingPrinter>(std::move(name)));
}

std::vector<std::string> RecordingPrinters::DeviceNames() {
    std::vector<std::string> names;
    for (const auto& printer : Printers) names.push_back(printer->DeviceName());
    return names;
}

std::unique_ptr<ReportPrinter> RecordingPrinters::OpenPdf(const std::string& Path) {
    PdfPaths.push_back(Path);
    auto printer = std::make_unique<RecordingPrinter>(Path);
    printer->OnDestroy = [this](RecordingPrinter& gone) { PdfCalls.push_back(gone.Calls); };
    return printer;
}

void ScriptedPreview::PreparePage(double PageWidth, double PageLength) {
    mOwner.Width = PageWidth;
    mOwner.Length = PageLength;
    mPage.SetOrientation(PageWidth > PageLength ? 2 : 1);
    mPage.SetScaleMode(smInches);
}

std::string ScriptedPreview::Display(const std::string& Title) {
    mOwner.Titles.push_back(Title);
    std::string shown;
    // The texts drawn since the page was last cleared.
    for (const DrawCall& call : mPage.Calls) {
        if (call.What == DrawCall::kClear) shown.clear();
        if (call.What == DrawCall::kText) shown += (shown.empty() ? "" : "|") + call.Text;
    }
    mOwner.PagesShown.push_back(shown);
    if (mOwner.Commands.empty()) return "CLOSE";
    std::string command = mOwner.Commands.front();
    mOwner.Commands.pop_front();
    return command;
}

std::unique_ptr<IReportPreview> ScriptedPreviews::CreatePreview() {
    ++Created;
    return std::make_unique<ScriptedPreview>(*this);
}

} // namespace dovrex::test
