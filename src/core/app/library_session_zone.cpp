// The personal zone: entering (the user known or logged in) and leaving, the editor's ticks, and the
// picks shown and kept in the store.
#include "core/app/library_session.h"

#include "platform/prompts.h"

namespace kestrin {

void LibrarySession::toggleZone()
{
    finishMerge();
    if (m_zone.active()) {
        if (m_platform.prompts.confirm(QStringLiteral("确认退出吗?")))
            leaveZone();
        return;
    }
    if (m_zone.userName.isEmpty())
        emit loginRequested();
    else
        enterZone(true);
}

void LibrarySession::logIn(const QByteArray &user, const QByteArray &password)
{
    finishMerge();
    if (m_zone.active() || user.isEmpty())
        return;
    m_zone.userName = user;
    m_zone.password = password;
    m_store.loadSelection(user, m_catalogue);
    enterZone(true);
}

void LibrarySession::enterZone(bool reload)
{
    const int c = m_catalogue.current;
    // Nothing picked here yet: the editor opens at once, with the ticks as they stand.
    const bool none = m_catalogue.categories.empty() || m_catalogue.categories[size_t(c)].selection.isEmpty();
    m_zone.state = none ? PersonalZone::State::Editing : PersonalZone::State::Viewing;
    emit zoneChanged();
    if (!none && reload)
        load(LoadCause::Zone);
}

void LibrarySession::leaveZone()
{
    m_zone = PersonalZone{};
    clearSelections(m_catalogue); // only in memory: the file keeps what was saved
    emit zoneChanged();
    load(LoadCause::Zone);
}

void LibrarySession::openEditor()
{
    finishMerge();
    if (m_zone.state != PersonalZone::State::Viewing)
        return;
    ticksFromSelection(m_catalogue, m_catalogue.current);
    m_zone.state = PersonalZone::State::Editing;
    emit zoneChanged();
}

void LibrarySession::setAllTicks(bool ticked)
{
    finishMerge();
    if (m_zone.state != PersonalZone::State::Editing)
        return;
    kestrin::setAllTicks(m_catalogue, m_catalogue.current, ticked);
    emit ticksChanged();
}

void LibrarySession::toggleTick(qsizetype id)
{
    finishMerge();
    if (m_zone.state != PersonalZone::State::Editing)
        return;
    kestrin::toggleTick(m_catalogue, m_catalogue.current, id);
    emit ticksChanged();
}

void LibrarySession::submitSelection()
{
    finishMerge();
    if (m_zone.state != PersonalZone::State::Editing)
        return;
    selectionFromTicks(m_catalogue, m_catalogue.current);
    m_zone.state = PersonalZone::State::Viewing;
    emit zoneChanged();
    saveSelection();
    load(LoadCause::Zone);
}

void LibrarySession::returnFromEditor()
{
    finishMerge();
    if (!m_zone.active())
        return;
    m_zone.state = PersonalZone::State::Viewing;
    emit zoneChanged();
    showPicked(m_catalogue.current, true);
}

void LibrarySession::showPicked(int category, bool fromTop)
{
    if (m_zone.state != PersonalZone::State::Viewing || !m_catalogue.isValid(category))
        return;
    const std::optional<RecordList> picked =
        m_catalogue.buildSelectRecords(category, m_catalogue.categories[size_t(category)].selection);
    if (picked)
        emit pickedShown(*picked, fromTop);
    else
        m_platform.prompts.message(QStringLiteral("抱歉！由于版本升级，您的自选专区需要重新设置！"));
}

void LibrarySession::saveSelection()
{
    QString error;
    if (!m_store.saveSelection(m_zone.userName, m_catalogue, &error))
        m_platform.prompts.message(
            QStringLiteral("无法保存自选内容到 %1（%2）。本次运行中所选内容仍然有效，文件中原有的内容没有改变。")
                .arg(m_store.path(), error));
}

} // namespace kestrin
