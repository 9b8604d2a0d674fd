#include "app/settings_notes.h"

#include "app/numbered_format.h"
#include "app/texts.h"

namespace q7310 {
namespace {

// The place, then (when the front end can say) how to restore from it, on a line of its own:
// a command stays whole for copying.
std::string PlaceAndHow(std::string place, const char* howFormat, std::string_view how) {
  if (!how.empty()) place.append("\n").append(FormatNumbered(howFormat, {how}));
  return place;
}

}  // namespace

std::string KeptBackupText(const KeptBackup& kept) {
  return FormatNumbered(texts::kFmtBackupBinKept, {kept.path, kept.why});
}

SettingsNote NoteWhereSettingsAre(std::string path, bool datedCopy, std::string how) {
  SettingsNote note{std::move(path), datedCopy, std::move(how), {}};
  note.text =
      PlaceAndHow(FormatNumbered(datedCopy ? texts::kFmtSettingsSavedIn : texts::kFmtSettingsOnlyIn,
                                 {note.path}),
                  texts::kFmtToRestoreThem, note.how);
  return note;
}

std::string NewestCopyText(std::string_view path, std::string_view how) {
  return PlaceAndHow(FormatNumbered(texts::kFmtNewestSavedBackup, {path}), texts::kFmtToRestoreIt,
                     how);
}

std::string IncompleteBackupText(std::string_view path, const SlotCoverage& coverage) {
  return FormatNumbered(texts::kFmtIncompleteBackup, {path, DescribeCoverage(coverage)});
}

}  // namespace q7310
