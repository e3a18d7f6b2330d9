// A fuzz target without libFuzzer: every input of its committed corpus, and seeded variations of each
// (bytes a format gives meaning to put in, taken out or changed), through the target's properties.
// So the properties guard every ordinary build's test run, not only the instrumented one.
//   fuzz_<name>_replay CORPUS_DIR [VARIATIONS_PER_INPUT] [SEED]
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int *argc, char ***argv);

namespace {

QByteArray varied(QByteArray bytes, QRandomGenerator &rng)
{
    static const QByteArray meaningful = QByteArrayLiteral(",|\t\r\n -+0123456789\x81\xa1\xfe\\[]=\"");
    for (int edits = 1 + int(rng.bounded(4)); edits > 0; --edits) {
        const qsizetype at = rng.bounded(int(bytes.size()) + 1);
        switch (rng.bounded(4)) {
        case 0: bytes.insert(at, meaningful.at(rng.bounded(int(meaningful.size())))); break;
        case 1: if (at < bytes.size()) bytes.remove(at, 1 + rng.bounded(8)); break;
        case 2: if (at < bytes.size()) bytes[at] = char(rng.bounded(256)); break;
        default: bytes.insert(at, bytes.mid(rng.bounded(int(bytes.size()) + 1), 1 + rng.bounded(16))); break;
        }
    }
    return bytes;
}

void run(const QByteArray &input)
{
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(input.constData()), size_t(input.size()));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR [VARIATIONS_PER_INPUT] [SEED]\n", argv[0]);
        return 2;
    }
    const QString corpus = QString::fromLocal8Bit(argv[1]);
    const int variations = argc > 2 ? QByteArray(argv[2]).toInt() : 1000;
    QRandomGenerator rng(argc > 3 ? QByteArray(argv[3]).toUInt() : 20261207u);
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    const QStringList inputs = QDir(corpus).entryList(QDir::Files, QDir::Name);
    if (inputs.isEmpty()) {
        std::fprintf(stderr, "no inputs in %s\n", argv[1]);
        return 1;
    }
    for (const QString &name : inputs) {
        QFile file(corpus + u'/' + name);
        if (!file.open(QIODevice::ReadOnly))
            return 1;
        const QByteArray seed = file.readAll();
        std::fprintf(stderr, "%s\n", qPrintable(name)); // the input a failed property names comes last
        run(seed);
        for (int i = 0; i < variations; ++i)
            run(varied(seed, rng));
    }
    std::printf("%lld inputs, %d variations of each: every property held\n", qint64(inputs.size()), variations);
    return 0;
}
