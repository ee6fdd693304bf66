#pragma once

#include "QVFRecord.h"
#include "clsQVF.h"

#include <memory>
#include <string>

namespace dovrex {

// Reads a QVF database file record by record, decoded with the schema version that its
// header record names (version 0 when the first record is no header).
class QVFReader {
public:
    explicit QVFReader(IMessageBox* messages = nullptr);

    // False when the file is missing, unreadable or no QVF database; FailureReason then
    // says why. Errors reading the header record are raised.
    bool Open(const std::string& Filename);
    const std::string& FailureReason() const { return mFailure; }

    int Version() const { return mVersion; }
    // The open database: its container kind and identity.
    clsQVF& Database() { return *mQVF; }

    // Reads and decodes the next record in file order; false after the last one. Errors of
    // the lower layers (a damaged container) are raised.
    bool ReadNext(QVFRecord& Record);
    void Rewind() { mQVF->Rewind(); }

private:
    IMessageBox* mMessages;
    std::unique_ptr<clsQVF> mQVF;
    int mVersion = 0;
    std::string mFailure;
};

} // namespace dovrex
