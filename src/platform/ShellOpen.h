#pragma once

#include <QUrl>

namespace veilpane {

// Opens a folder in the file manager or a web page in the browser.
class CShellOpen {
public:
    virtual ~CShellOpen() = default;
    virtual bool Open(const QUrl& url) = 0;
};

} // namespace veilpane
