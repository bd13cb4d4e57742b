#include "app/shell/Program.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    return mervalon::app::startProgram(application);
}
