// Replays every file of the given folders (or the given files) once through
// the fuzz target it is linked with, so the seed corpora run as regression
// tests in the normal build without libFuzzer.
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

namespace {

bool Replay(const QString& Path)
{
    QFile File(Path);
    if (!File.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(Path));
        return false;
    }
    const QByteArray Bytes = File.readAll();
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(Bytes.constData()), size_t(Bytes.size()));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    int Replayed = 0;
    for (int I = 1; I < argc; ++I) {
        const QString Arg = QString::fromLocal8Bit(argv[I]);
        if (!QFileInfo(Arg).isDir()) {
            if (!Replay(Arg))
                return 1;
            ++Replayed;
            continue;
        }
        QDirIterator It(Arg, QDir::Files, QDirIterator::Subdirectories);
        while (It.hasNext()) {
            if (!Replay(It.next()))
                return 1;
            ++Replayed;
        }
    }
    std::printf("replayed %d inputs\n", Replayed);
    // An empty corpus means a wrong path, not a passing run.
    return Replayed > 0 ? 0 : 1;
}
