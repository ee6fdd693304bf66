// Reads a database file of any content: open, every record by the schema, code and
// index records. Errors are fine; crashes, hangs and huge allocations are not.

#include "FuzzFile.h"

#include "handheld_db/clsQVF.h"

#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = WriteFuzzFile("db", data, size);
    try {
        const int version = dovrex::ReadQVFVersion(path);
        dovrex::clsQVF qvf;
        qvf.SetVersion(version < 0 ? 3 : version);
        if (qvf.OpenQVF(path)) return 0;
        (void)qvf.DB().AppInfo();
        (void)qvf.DB().SortInfo();
        for (int i = 0; i < 40000 && qvf.ReadData(); ++i) {
            (void)qvf.GetValues();
            int32_t a = 0, b = 0, c = 0;
            std::vector<std::string> x, y, z;
            qvf.GetIndexRecord(a, b, c, x);
            qvf.GetCodeRecord(a, b, c, x, y, z);
            (void)qvf.Position255();
        }
    } catch (const std::exception&) {
    }
    return 0;
}
