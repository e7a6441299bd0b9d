// The texts of the options dialog's controls as the user reads them.
#pragma once

namespace option_texts {

inline constexpr char kEnglishSettings[] = "Settings (Valid from next start-up)";
inline constexpr char kEnglishStore[] = "Set current parameter values to default";
inline constexpr char kEnglishRestore[] = "Restore initial default parameter values";

inline constexpr char16_t kJapaneseSettings[] = u"設定 （次回起動から有効になります）";
inline constexpr char16_t kJapaneseStore[] = u"現在のパラメータ設定をデフォルト値として記憶する";
inline constexpr char16_t kJapaneseRestore[] = u"パラメータのデフォルト値設定を初期状態に復帰する";

}  // namespace option_texts
