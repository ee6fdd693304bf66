#include "RecordFileWriter.h"

#include "platform/RuntimeError.h"

#include <algorithm>
#include <cstring>

namespace dovrex {

RecordFileWriter::RecordFileWriter(std::span<const RecordLayout> Layouts, int PadTo, IMessageBox* messages)
    : mMessages(messages), mPadTo(PadTo) {
    for (const RecordLayout& layout : Layouts) {
        auto kind = std::make_unique<clsRecType>(messages);
        kind->SetID(1, static_cast<int16_t>(std::strlen(layout.ID)), layout.ID);
        kind->AddFields(layout.Fields);
        mRecIDs.push_back(kind->FieldNumber("RecID"));
        mKinds.push_back(std::move(kind));
    }
}

RecordFileWriter::~RecordFileWriter() {
    try {
        CloseFile();
    } catch (const std::exception&) {
        // Nobody is left to tell; CloseFile reports this to callers that ask.
    }
}

bool RecordFileWriter::CreateFile(const std::string& FileName) {
    try {
        CloseFile(); // a file still open keeps every record written to it
    } catch (const std::exception& e) {
        if (mMessages) mMessages->Inform(DescribeException(e));
        return false;
    }
    mPending.clear();
    mWritten = 0;
    if (const int status = mFile.Create(FileName); status != 0) {
        if (mMessages) mMessages->Inform(RuntimeError::StandardDescription(status));
        return false;
    }
    return true;
}

clsRecType* RecordFileWriter::SetupRecord(std::string_view RecordType) {
    for (const auto& kind : mKinds) {
        if (kind->RIValue() == RecordType) {
            kind->Init();
            return kind.get();
        }
    }
    return nullptr;
}

clsRecType* RecordFileWriter::RecordType(std::string_view ID) const {
    for (const auto& kind : mKinds) {
        if (kind->RIValue() == ID) return kind.get();
    }
    return nullptr;
}

void RecordFileWriter::FlushFull(size_t Before) {
    try {
        Flush();
    } catch (...) {
        // Leave the line just added out, so that retrying its record does not write it twice.
        mPending.resize(Before);
        throw;
    }
}

int16_t RecordFileWriter::WriteRecord(clsRecType& Record) {
    if (!mFile.IsOpen()) RaiseError(ErrBadFileNumber);
    // The writer's own kinds know where their RecID is; any other record is told by name.
    const auto own = std::find_if(mKinds.begin(), mKinds.end(), [&Record](const auto& kind) { return kind.get() == &Record; });
    const auto recID = own != mKinds.end() ? mRecIDs[static_cast<size_t>(own - mKinds.begin())] : std::nullopt;
    if (recID && *recID < Record.Fields().size() && Record.Fields()[*recID].FieldName() == "RecID") {
        Record.SetViewAt(*recID, ValueView::OfText(Record.RIValue()));
    } else {
        Record.SetValue("RecID", Record.RIValue());
    }
    Record.BuildLine(mLine, mPadTo);
    Append(mLine);
    return 0;
}

void RecordFileWriter::WriteLine(std::string_view Line) {
    if (!mFile.IsOpen()) RaiseError(ErrBadFileNumber);
    Append(Line);
}

void RecordFileWriter::Flush() {
    if (mPending.empty()) return;
    mFile.WriteAt(mWritten, mPending);
    mWritten += mPending.size();
    mPending.clear();
}

void RecordFileWriter::CloseFile() {
    if (!mFile.IsOpen()) return;
    Flush();
    mFile.Close();
}

} // namespace dovrex
