// The name a payload stores is chosen by whoever made the image. Whatever it holds, the confined name must
// be a plain file name that, joined to a folder the way extraction joins it, names a file directly inside
// that folder, and writing it must create exactly that file.
#include "FuzzSupport.h"

#include "stego/HiddenContent.h"
#include "stego/PayloadFormat.h"

#include <QFileInfo>

using namespace veilpane;
using namespace veilpane::fuzz;

namespace {

QList<QByteArray> Seeds() {
    return {"holiday.png",         "notes.txt",     "../../escape", "/etc/passwd",   "a\\b\\..", "..",
            QByteArray("..\0", 3), ":resource.txt", "~/home.txt",   ".veilpane.tmp", "dir/",     "C:\\x.txt"};
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    StartQt();
    WriteSeedsIfAsked(Seeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const CScratchFolder scratch;
    // The header's name area holds at most 80 bytes.
    const QByteArray stored(reinterpret_cast<const char*>(data),
                            static_cast<qsizetype>(std::min<std::size_t>(size, MaxPayloadNameLength)));
    const QString name = ConfinedHiddenName(stored);
    if (name.isEmpty()) {
        return 0;
    }
    FUZZ_CHECK(!name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')));
    FUZZ_CHECK(!name.contains(QChar(u'\0')));
    FUZZ_CHECK(name != QLatin1String(".") && name != QLatin1String(".."));
    const QString path = HiddenFilePath(scratch.Path(), name);
    FUZZ_CHECK(QFileInfo(path).absolutePath() == QFileInfo(scratch.Path()).absoluteFilePath());
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly));
    file.close();
    FUZZ_CHECK(scratch.Entries() == QStringList{name});
    scratch.Clear();
    return 0;
}
