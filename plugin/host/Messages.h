// User-visible texts of the host interface. Texts are held in code page 932.
#pragma once

#include "AEConfig.h"
#include "AE_Effect.h"

// The name of a host error code as messages show it; "" for codes 1 to 3 and
// "unknown" for codes the table does not know.
const char *ErrorName(PF_Err code);

// "unknown error" in Japanese, the message of an exception the barrier cannot
// identify.
extern const char kUnknownErrorMessage[];

// A user-visible text in its Japanese and English forms; null where a form
// is missing.
struct TextPair {
    const char *japanese;
    const char *english;
};

// The form for a Japanese or a non-Japanese user interface: Japanese falls
// back to English; the English form is shown only when both exist, else "".
const char *SelectText(const TextPair &text, bool japanese);

// Entries of the effect's text table.
enum TextId { kTextEffectName = 0, kTextCredit = 1, kTextDialogTitle = 2 };

// The text of an entry for a Japanese or a non-Japanese user interface; ""
// for entries the table does not hold.
const char *LookupText(int id, bool japanese);
