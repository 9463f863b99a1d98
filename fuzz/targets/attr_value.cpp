// Attribute values decoded from any range of any text, with each quoting.
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "engine/page/TagScan.h"
#include "engine/page/uStrUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    static const QChar Quotes[] = { u'"', u'\'', u'\\', QChar(0) };
    FuzzInput In(Data, Size);
    const QChar Quote = Quotes[In.TakeByte() % 4];
    const int From = In.TakeInt16();
    const int Count = In.TakeInt16();
    const QString S = In.TakeRest();

    const QString Unescaped = UnescapeStr(S, From, Count);
    FuzzCheck(Unescaped.size() <= qMax(Count, 0), "unescaping grows the text", Unescaped);
    DecodeAttrValue(S, From, Count, Quote);
    FuzzCheck(UnescapeStr(S, 1, int(S.size())).size() <= S.size(), "unescaping the whole text grows it", S);
    DecodeAttrValue(S, 1, int(S.size()), Quote);
    return 0;
}
