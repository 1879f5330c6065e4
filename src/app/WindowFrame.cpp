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
    window->setFont(AppSetup::withPersianFace(window->font()));
    Skin::loadInto(window);
}

void finish(QWidget* window)
{
    if (QLayout* layout = window->layout())
        layout->activate();
    window->resize(ScreenFit::bounded(window, window->sizeHint()));
}
} // namespace WindowFrame
