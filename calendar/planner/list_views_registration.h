#pragma once

namespace zc {

// The to-do list, the week view and View > This Year plug into the month view and the main frame.
void registerListViews();

} // namespace zc
