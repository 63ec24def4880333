// What one job works with: where it reports, the state it reads and writes (options, running
// flag, counters) and how it starts tools. Jobs with different contexts can run side by side.
#pragma once

#include <string>

#include "engine/command_runner.h"
#include "engine/engine_state.h"
#include "engine/finished_record.h"
#include "engine/hash_memo.h"
#include "engine/linked_names.h"
#include "engine/report_surfaces.h"
#include "engine/result_check.h"
#include "engine/result_journal.h"

struct JobContext {
    ReportSurfaces& surfaces;
    EngineState& state;
    ToolRunner& runner;
    ResultChecker& checker;
    // Files already finished under setup are skipped; null: every file is worked on.
    FinishedRecord* record = nullptr;
    // What the results depend on (options and tools), set for the job when it starts.
    std::string setup = {};
    // Told of every result before it replaces a file, for the job's backups; null: no backups.
    ResultJournal* journal = nullptr;
    // Hashes taken before the job's backups, for the record's lookup; null: hashed when needed.
    const HashMemo* hashes = nullptr;
    // The job's files with several names, each worked under its first; null: every name is.
    LinkedNames* linkedNames = nullptr;
    // The folder of the last single file whose folder was cleared of killed runs' leftovers: a
    // list names a folder's files one after another, and one look at it is enough. Null: each
    // file's folder is looked at.
    std::string* clearedFolder = nullptr;

    bool option(Option which) const { return state.options[which]; }
    bool running() const { return state.running; }
};
