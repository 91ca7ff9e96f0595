#pragma once
// Marks a text made in the toolkit-free code for the translation template (xgettext reads N_)
// without translating it there: the code that shows it passes it through wxGetTranslation. Stored
// texts, file names and store keys are never marked.
#define N_(text) text
