#include "app/WindowFrame.h"

#include "app/AppSetup.h"
#include "app/ScreenFit.h"
#include "app/Skin.h"

#include <QLayout>
#include <QWidget>

namespace WindowFrame {
void prepare(QWidget* window, const char* objectName)
{
    window->setObjectName(QString::fromLatin1(objectName));
    window->setLayoutDirection(Qt::RightToLeft);
    // The application's face (a face put before the Persian ones, such as the clinic's own
    // "B Nazanin", reaches the window), at the window's size.
    const QFont inherited = window->font();
    window->setFont(AppSetup::persianFont(inherited.pointSizeF(), inherited.bold()));
}

void finish(QWidget* window)
{
    Skin::loadInto(window);
    if (QLayout* layout = window->layout())
        layout->activate();
    window->resize(ScreenFit::bounded(window, window->sizeHint()));
}
} // namespace WindowFrame
