// Any configuration text loads; what is saved from it loads back to the very
// same lines.
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "containers/VHashedStringList.h"
#include "projects/WebsiteUnit.h"

namespace {

const QString Prefix = QStringLiteral("HrvProjects");

QString SavedText(const TWebsiteProjectList& Projects)
{
    TVHashedStringList Lines(256);
    Projects.SaveToList(Lines, Prefix);
    return Lines.Text();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    FuzzInput In(Data, Size);
    TVHashedStringList Lines(256);
    Lines.SetText(In.TakeRest());
    TWebsiteProjectList Loaded;
    Loaded.LoadFromList(Lines, Prefix);
    const QString First = SavedText(Loaded);

    TVHashedStringList Saved(256);
    Saved.SetText(First);
    TWebsiteProjectList Reloaded;
    Reloaded.LoadFromList(Saved, Prefix);
    FuzzCheck(Reloaded.Count() == Loaded.Count(), "a saved project does not load again", First);
    FuzzCheck(SavedText(Reloaded) == First, "save, load and save again differ", First);
    return 0;
}
