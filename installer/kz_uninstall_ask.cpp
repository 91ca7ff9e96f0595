#include "kz_uninstall_ask.h"

#include "core/kz_script.h"
#include "core/kz_text.h"
#include "kz_message.h"
#include "text/translatable.h"

int KzUninstallAsking(const std::string& product, const std::function<void(const TKzUninstallResult&)>& report) {
    TKzUninstallPlan plan;
    std::string error;
    if (!KzPlanUninstall(product, plan, error)) {
        KzShowError(nullptr, error);
        return KzExitFailed;
    }
    std::string question =
        KzFormatted(N_("Uninstall \"%s\"?\n\nThese files and folders are removed:"), {product});
    for (const std::string& path : plan.ToRemove)
        question += "\r" + path;
    if (!plan.Refused.empty())
        question += "\r\r" + text::translated(N_("These entries of the record are not trusted and stay:"));
    for (const std::string& line : plan.Refused)
        question += "\r" + line;
    if (!KzConfirm(nullptr, question)) return KzExitCancelled;
    const TKzUninstallResult result = KzUninstall(plan);
    if (report) report(result);
    KzShowMessage(nullptr, KzUninstallSummary(plan, result));
    return result.Refused.empty() && result.Failed.empty() ? KzExitCompleted : KzExitFailed;
}
