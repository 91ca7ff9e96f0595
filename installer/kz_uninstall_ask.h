#pragma once
// Uninstalling in the window: the record of the product is read, what will be removed is shown
// in a question, and only after "&Yes" is it removed; a message then sums up what was kept or
// refused. The boxes go through kz_message.h, so tests answer them.
#include "core/kz_uninstall.h"

#include <functional>
#include <string>

// Gives the exit status: 0 removed, 2 declined, 3 no record, or entries refused or not removed.
// report, when given, is told what was done before the summary is shown.
int KzUninstallAsking(const std::string& product,
                      const std::function<void(const TKzUninstallResult&)>& report = {});
