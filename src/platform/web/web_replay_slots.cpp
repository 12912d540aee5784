// The browser's replay runner keeps its saves in the page, where the page
// hashes them: nothing is stored beyond it or fetched back.
#include "platform/web/web_files.h"

void KeepSavedFile(const char*) {}
void FetchSavedFile(const char*) {}
