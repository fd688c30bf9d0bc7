// Scenewalk: plays the story named in ./story/startup.txt.
#include "player/scenewalk_app.h"

int main()
{
    return runScenewalk();
}
