#include "QVFReader.h"

#include "platform/BinaryFile.h"
#include "platform/RuntimeError.h"

namespace dovrex {

QVFReader::QVFReader(IMessageBox* messages) : mMessages(messages), mQVF(std::make_unique<clsQVF>(messages)) {}

bool QVFReader::Open(const std::string& Filename) {
    mQVF = std::make_unique<clsQVF>(mMessages);
    mFailure.clear();
    mVersion = ReadQVFVersion(Filename, mMessages);
    if (mVersion < 0) {
        // Neither container accepted the file: a file-system error of the PDB reader says
        // more than "no known kind".
        clsPalmDB probe;
        const int status = FileExists(Filename) ? probe.OpenDB(Filename, ContainerPDB) : static_cast<int>(ErrFileNotFound);
        mFailure = status > 0 ? RuntimeError::StandardDescription(status) : "not a Palm database or VFS record stream";
        mVersion = 0;
        return false;
    }
    mQVF->SetVersion(mVersion);
    if (mQVF->OpenQVF(Filename)) {
        mFailure = "cannot be opened";
        return false;
    }
    return true;
}

bool QVFReader::ReadNext(QVFRecord& Record) {
    if (!mQVF->ReadData()) return false;
    Record = QVFRecord::Decode(*mQVF);
    return true;
}

} // namespace dovrex
