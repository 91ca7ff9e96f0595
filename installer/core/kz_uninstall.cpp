#include "core/kz_uninstall.h"

#include "core/kz_platform.h"
#include "core/kz_shell_link.h"
#include "text/text_utils.h"
#include "text/translatable.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>

namespace fs = std::filesystem;

namespace {

bool IsRemovable(KzRecordKind kind) {
    return kind == KzRecordKind::Folder || kind == KzRecordKind::File || kind == KzRecordKind::Menu ||
           kind == KzRecordKind::MenuAdded;
}

bool IsRoot(KzRecordKind kind) {
    return kind == KzRecordKind::Folder || kind == KzRecordKind::Area;
}

bool Within(const fs::path& path, const fs::path& root) {
    return std::mismatch(root.begin(), root.end(), path.begin(), path.end()).first == root.end();
}

// Why a path cannot be an entry of a record, or nothing when it can.
std::optional<std::string> ShapeFault(const std::string& path, KzRecordKind kind) {
    if (!KzIsRooted(path)) return "not an absolute path";
    const fs::path p(path);
    for (const auto& part : p)
        if (part == "." || part == "..") return "the path holds \".\" or \"..\"";
    if (p.lexically_normal() != p || (path.size() > 1 && (path.back() == '/' || path.back() == '\\')))
        return "not a plain path";
    // Whatever else a record says, nobody's installation made the root or the home folder.
    if (IsRoot(kind) && (p == p.root_path() || path == KzHomeDirectory())) return "the root or home folder";
    return std::nullopt;
}

// The first symbolic link on the way from the outermost recorded folder that holds path down to
// path itself, or nothing. A folder the run made must still be a folder of its own; a folder it
// only wrote into may have been reached through a link from the start.
std::optional<std::string> LinkOnTheWay(const std::string& path, const TKzRecord& record) {
    const fs::path target(path);
    const KzRecordEntry* outer = nullptr;
    for (const KzRecordEntry& e : record.Entries) {
        if (!IsRoot(e.kind) || !Within(target, fs::path(e.path))) continue;
        const auto depth = [](const std::string& p) { return std::distance(fs::path(p).begin(), fs::path(p).end()); };
        if (!outer || depth(e.path) < depth(outer->path) ||
            (depth(e.path) == depth(outer->path) && e.kind == KzRecordKind::Folder))
            outer = &e;
    }
    if (!outer) return std::nullopt;
    fs::path at(outer->path);
    const auto relative = target.lexically_relative(at);
    std::vector<fs::path> steps;
    if (outer->kind == KzRecordKind::Folder) steps.push_back(at);
    for (const auto& part : relative) {
        if (part == ".") continue;
        at /= part;
        steps.push_back(at);
    }
    for (const fs::path& step : steps) {
        std::error_code error;
        const auto status = fs::symlink_status(step, error);
        if (error || !fs::exists(status)) return std::nullopt;
        if (fs::is_symlink(status)) return step.string();
    }
    return std::nullopt;
}

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

bool FolderHoldsEntries(const std::string& folder) {
    return !folder.empty() && !KzListFiles(folder, ".desktop").empty();
}

} // namespace

bool KzPlanUninstall(const std::string& product, TKzUninstallPlan& plan, std::string& error) {
    plan = TKzUninstallPlan{};
    plan.Product = product;
    plan.RecordFile = KzRecordFile(product);
    if (plan.RecordFile.empty()) {
        error = text::translated(N_("There is no home folder, so there is no installation record."));
        return false;
    }
    std::string text;
    if (const int code = KzReadWholeFile(plan.RecordFile, text, 64u << 20)) {
        error = KzExists(plan.RecordFile)
                    ? text::formatted(N_("Cannot read %s: %s"), {plan.RecordFile, KzErrorText(code)})
                    : text::formatted(N_("No installation of \"%s\" is recorded here (%s)."),
                                      {product, plan.RecordFile});
        return false;
    }
    std::vector<std::string> badLines;
    if (!TKzRecord::Parse(text, plan.Record, badLines)) {
        error = text::formatted(N_("%s is not an installation record."), {plan.RecordFile});
        return false;
    }
    for (const std::string& line : badLines)
        plan.Refused.push_back("damaged line of the record: " + text::utf8OrLatin1(line));

    // Entries of a bad shape do not count as folders either, so they cannot lend their trust.
    TKzRecord trusted;
    trusted.Product = plan.Record.Product;
    for (const KzRecordEntry& entry : plan.Record.Entries) {
        if (entry.kind == KzRecordKind::Group) {
            trusted.Entries.push_back(entry);
        } else if (const auto fault = ShapeFault(entry.path, entry.kind)) {
            plan.Refused.push_back(Quoted(entry.path) + ": " + *fault);
        } else {
            trusted.Entries.push_back(entry);
        }
    }
    std::vector<KzRecordEntry> kept;
    for (const KzRecordEntry& entry : trusted.Entries) {
        if (!IsRemovable(entry.kind)) {
            kept.push_back(entry);
            continue;
        }
        const fs::path path(entry.path);
        const bool inside = std::any_of(trusted.Entries.begin(), trusted.Entries.end(), [&](const KzRecordEntry& e) {
            return IsRoot(e.kind) && Within(path, fs::path(e.path));
        });
        if (!inside) {
            plan.Refused.push_back(Quoted(entry.path) + ": outside the folders the installation made");
            continue;
        }
        kept.push_back(entry);
    }
    plan.Record.Entries = kept;
    // In the order they go: the files, then the folders.
    for (const bool folders : {false, true})
        for (auto e = kept.rbegin(); e != kept.rend(); ++e)
            if (IsRemovable(e->kind) && e->kind != KzRecordKind::MenuAdded && (e->kind == KzRecordKind::Folder) == folders)
                plan.ToRemove.push_back(e->path);
    return true;
}

TKzUninstallResult KzUninstall(const TKzUninstallPlan& plan) {
    TKzUninstallResult result;
    result.Refused = plan.Refused;
    const TKzRecord& record = plan.Record;
    const fs::path recordFile(plan.RecordFile);

    std::vector<std::string> groups;
    for (const KzRecordEntry& e : record.Entries)
        if (e.kind == KzRecordKind::Group) groups.push_back(e.path);
    std::set<std::string> regenerated;

    const auto removeFolder = [&](const std::string& path) {
        std::error_code error;
        if (!fs::is_directory(fs::symlink_status(path, error))) return;
        if (!fs::is_empty(path, error)) {
            result.Kept.push_back(path + " (not empty)");
            return;
        }
        if (fs::remove(path, error))
            result.Removed.push_back(path);
        else if (error)
            result.Failed.push_back(path + ": " + error.message());
    };

    // Files first, then the menus, which are written anew from what their groups still hold,
    // then the folders, which can only go once they are empty; each of them last made first.
    std::vector<const KzRecordEntry*> files, menus, folders;
    for (auto e = record.Entries.rbegin(); e != record.Entries.rend(); ++e) {
        if (!IsRemovable(e->kind)) continue;
        if (const auto link = LinkOnTheWay(e->path, record)) {
            result.Refused.push_back(Quoted(e->path) + ": a symbolic link is in the way (" + *link + ")");
            continue;
        }
        std::error_code error;
        const auto status = fs::symlink_status(e->path, error);
        if (!fs::exists(status)) continue;
        if (e->kind == KzRecordKind::Folder) {
            folders.push_back(&*e);
        } else if (!fs::is_regular_file(status)) {
            result.Refused.push_back(Quoted(e->path) + ": no longer a plain file");
        } else {
            (e->kind == KzRecordKind::File ? files : menus).push_back(&*e);
        }
    }
    const auto removeFile = [&](const KzRecordEntry& e) {
        if (KzSumFile(e.path) != std::optional<KzFileSum>(e.sum)) {
            result.Kept.push_back(e.path + " (changed since the installation)");
            return;
        }
        std::error_code error;
        if (fs::remove(e.path, error))
            result.Removed.push_back(e.path);
        else
            result.Failed.push_back(e.path + ": " + error.message());
    };
    for (const KzRecordEntry* e : files)
        removeFile(*e);
    for (const KzRecordEntry* e : menus) {
        // A menu shared with other installations is written anew from the items still in its
        // group, which keeps theirs and drops ours.
        bool rewritten = false;
        for (const std::string& group : groups) {
            const auto files = KzGroupMenuFiles(group);
            if (std::find(files.begin(), files.end(), e->path) == files.end()) continue;
            if (e->kind == KzRecordKind::MenuAdded || FolderHoldsEntries(KzGroupFolder(group))) {
                if (regenerated.insert(group).second) KzWriteGroupMenu(group);
                rewritten = true;
            }
        }
        // One that was there before the installation is never the installation's to remove.
        if (!rewritten && e->kind == KzRecordKind::Menu) removeFile(*e);
    }
    std::vector<std::string> deferred;
    for (const KzRecordEntry* e : folders) {
        // The folder of the record itself can only be emptied once the record is gone.
        if (Within(recordFile, fs::path(e->path)))
            deferred.push_back(e->path);
        else
            removeFolder(e->path);
    }
    // A record with refused entries stays, so that what it says can still be looked at.
    if (result.Refused.empty()) {
        std::error_code error;
        // A run killed while it replaced the record may have left the new copy beside it.
        fs::remove(plan.RecordFile + ".new", error);
        result.RecordRemoved = fs::remove(recordFile, error);
        if (!result.RecordRemoved) result.Failed.push_back(plan.RecordFile + ": " + error.message());
    }
    for (const std::string& folder : deferred)
        removeFolder(folder);
    return result;
}

std::string KzUninstallSummary(const TKzUninstallPlan& plan, const TKzUninstallResult& result) {
    std::string text;
    const auto section = [&](const char* title, const std::vector<std::string>& lines) {
        if (lines.empty()) return;
        text += std::string(text.empty() ? "" : "\r") + text::translated(title) + "\r";
        for (const std::string& line : lines)
            text += "  " + line + "\r";
    };
    if (result.Refused.empty() && result.Failed.empty())
        text = text::formatted(N_("\"%s\" is uninstalled."), {plan.Product}) + "\r";
    else
        text = text::formatted(N_("\"%s\" is only partly uninstalled."), {plan.Product}) + "\r";
    section(N_("Kept:"), result.Kept);
    section(N_("Refused, because the record cannot be trusted there:"), result.Refused);
    section(N_("Could not be removed:"), result.Failed);
    if (!result.RecordRemoved)
        text += "\r" + text::formatted(N_("The record stays in %s"), {plan.RecordFile}) + "\r";
    if (!text.empty() && text.back() == '\r') text.pop_back();
    return text;
}
