#pragma once
// Removing an installation by its record (kz_record.h): exactly what the record lists, backwards,
// and nothing that the run did not create.
//
// A file goes only while it still has its recorded size and checksum: one the user changed stays
// and is named. A folder goes only when it is empty. An entry is refused, and named with the
// reason, when it cannot be trusted: a path that is not absolute or holds "." or "..", a path
// outside every folder the record says the run made or wrote into, or a symbolic link anywhere on
// the way from that folder down (lstat, never following links). A damaged line of the record is
// refused as it stands. The record itself goes last, and only when nothing was refused.
#include "core/kz_record.h"

#include <string>
#include <vector>

struct TKzUninstallPlan {
    std::string Product;
    std::string RecordFile;
    TKzRecord Record;
    // The files and folders that will be removed when they are still as recorded, last made first.
    std::vector<std::string> ToRemove;
    // Lines and entries refused before anything is touched, each with its reason.
    std::vector<std::string> Refused;
};

struct TKzUninstallResult {
    std::vector<std::string> Removed;
    // Files the user changed since, and folders that are not empty.
    std::vector<std::string> Kept;
    std::vector<std::string> Refused;
    // Removals that failed (no permission, busy), with the reason.
    std::vector<std::string> Failed;
    bool RecordRemoved = false;
};

// Reads the record of product. False with the reason in error when there is no readable record.
bool KzPlanUninstall(const std::string& product, TKzUninstallPlan& plan, std::string& error);
// Carries out a plan.
TKzUninstallResult KzUninstall(const TKzUninstallPlan& plan);
// The summary a user reads afterwards, lines separated by "\r".
std::string KzUninstallSummary(const TKzUninstallPlan& plan, const TKzUninstallResult& result);
