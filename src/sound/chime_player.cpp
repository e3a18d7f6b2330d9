// The chime's player, in a module of its own: the audio libraries (and the codecs they bring) come in
// only when a chime is first wanted, not with every start of the program. The program sees a QObject
// with a play() slot, so it needs no audio header or library of its own.
#include <QAudioDevice>
#include <QEventLoop>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>
#include <memory>

namespace {

// Plays on whatever the desktop's default output is at the moment of the chime: an output that
// appears (or becomes the default) after start-up is heard from the next chime on. Without an output
// there is no effect at all, so nothing warns and nothing plays.
class ChimePlayer : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QByteArray outputId READ outputId)
public:
    explicit ChimePlayer(QUrl source) : m_source(std::move(source)) {}
    // The audio library's sample cache, torn down at exit, deadlocks with its loader thread when a sound
    // is still being read: the program would never end. A chime still loading is let finish first.
    ~ChimePlayer() override
    {
        if (!m_effect || m_effect->status() != QSoundEffect::Loading)
            return;
        QEventLoop loop;
        connect(m_effect.get(), &QSoundEffect::statusChanged, &loop, &QEventLoop::quit);
        QTimer::singleShot(kLoadWaitMs, &loop, &QEventLoop::quit);
        loop.exec();
    }

public slots:
    void play()
    {
        const QAudioDevice output = QMediaDevices::defaultAudioOutput();
        if (output.isNull())
            return;
        if (!m_effect || m_effect->audioDevice() != output) {
            m_effect = std::make_unique<QSoundEffect>(output);
            m_effect->setSource(m_source); // loads in the background; a play() before that waits for it
        }
        m_effect->play();
    }

    // The output the last chime went to; empty before any was heard.
    QByteArray outputId() const { return m_effect ? m_effect->audioDevice().id() : QByteArray(); }

private:
    static constexpr int kLoadWaitMs = 2000;
    QUrl m_source;
    std::unique_ptr<QSoundEffect> m_effect;
};

} // namespace

extern "C" Q_DECL_EXPORT QObject *kestrinMakeChime(const char *source)
{
    return new ChimePlayer(QUrl(QString::fromUtf8(source)));
}

#include "chime_player.moc"
