// The sample directory (examples/sample-directory.json), compiled into the program so that
// `moxtrel script.mox` works without a --directory file.
#pragma once

namespace moxtrel::script {

extern const char* const kSampleDirectoryJson;

}  // namespace moxtrel::script
