// The chime's player, in a module of its own: the audio libraries (and the codecs they bring) come in
// only when a chime is first wanted, not with every start of the program. The program sees a QObject
// with a play() slot, so it needs no audio header or library of its own.
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

extern "C" Q_DECL_EXPORT QObject *kestrinMakeChime(const char *source)
{
    // Without an audio output the effect would warn and play nothing: there is no player at all then.
    if (QMediaDevices::audioOutputs().isEmpty())
        return nullptr;
    auto *effect = new QSoundEffect;
    effect->setSource(QUrl(QString::fromUtf8(source)));
    return effect;
}
