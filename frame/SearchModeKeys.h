#pragma once
// Alt+1, Alt+2, Alt+3, Alt+4 and Alt+C while the search box has the focus: they switch the
// search to Ascii, Hex, Unicode, a regular expression and turn Match case on or off, without
// leaving the box. Elsewhere the keys keep their meaning (Alt+C opens Edit Color Codes).

#include <QObject>

#include <functional>
#include <map>

namespace vtx {

class SearchModeKeys final : public QObject
{
public:
    // `keys` maps a key pressed with Alt (Qt::Key_1, Qt::Key_C, ...) to the command it runs.
    SearchModeKeys(QObject* parent, std::map<int, std::function<void()>> keys);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::map<int, std::function<void()>> m_keys;
};

} // namespace vtx
