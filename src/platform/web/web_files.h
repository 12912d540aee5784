#pragma once

// Stores a saved file of the map folder where it outlives the page, if the
// build does; returns once it is there.
void KeepSavedFile(const char* name);
// Brings it back from there for a read, if the build stores it.
void FetchSavedFile(const char* name);
