// The JSON form of a project (wendlock-cli convert and show) on arbitrary
// text. A JSON project that parses converts to a project file and back, and
// to JSON and back, without losing or changing a value.
#include "FuzzUtil.h"
#include "common/AppInfo.h"
#include "model/Project.h"
#include "model/ProjectJson.h"
#include "model/WendlockDoc.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CProject record;
    QString error;
    if (!CProjectJson::FromJson(FuzzUtil::Bytes(data, size), record, &error)) {
        FUZZ_CHECK(!error.isEmpty());
        FUZZ_CHECK(record == CProject());
        return 0;
    }

    CProject fromJson;
    FUZZ_CHECK(
        CProjectJson::FromJson(CProjectJson::ToJson(record, AppInfo::ProgramVersion()), fromJson, &error));
    FUZZ_CHECK(fromJson == record);

    CProject fromProject;
    FUZZ_CHECK(
        CWendlockDoc::ReadProjectBytes(CWendlockDoc::ProjectBytes(record), fromProject, nullptr, &error));
    FUZZ_CHECK(fromProject == record);
    return 0;
}
