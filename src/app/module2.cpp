#include "module2.h"

#include "frmmain.h"

namespace Module2 {

frmMain *Main()
{
    auto *window = new frmMain;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->Form_Load();
    window->show();
    return window;
}

} // namespace Module2
