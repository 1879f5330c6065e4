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
    // The application's face once configure() has made it the Persian one, so a face put
    // before it (another machine's, a wider one) reaches the window; else the Persian families.
    QFont face = window->font();
    if (!face.families().contains(QString::fromLatin1(AppSetup::DisplayFamily)))
        face.setFamilies(AppSetup::persianFamilies());
    window->setFont(face);
}

void finish(QWidget* window)
{
    Skin::loadInto(window);
    if (QLayout* layout = window->layout())
        layout->activate();
    window->resize(ScreenFit::bounded(window, window->sizeHint()));
}
} // namespace WindowFrame
