#include "app/shell/Program.h"

#include <QApplication>

int main(int argc, char** argv)
{
    mervalon::app::answerTextRequests(argc, argv);
    QApplication application(argc, argv);
    return mervalon::app::startProgram(application);
}
