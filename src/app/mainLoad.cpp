#include "app/mainLoad.h"

#include "app/Form2.h"
#include "platform/SkinLayer.h"
#include "requests/AccessTokenPool.h"
#include "requests/Configuration.h"

#include <QCoreApplication>
#include <QDir>

Form2 *mainLoad::Main()
{
    AccessTokenPool::fill(Configuration::current().accessTokens);

    SkinLayer::LoadSkin(QCoreApplication::applicationDirPath() + QDir::separator() +
                            QStringLiteral("AquaOS.ssk"),
                        0);

    auto *form2 = new Form2();
    form2->show();
    return form2;
}
