// Base class of a demo scene: advanced and drawn once per frame by run.
#ifndef DEMO_SCENE_H
#define DEMO_SCENE_H

// Music analysis record handed to the scene; nothing writes or reads its fields.
struct info_t {
    float base;
    float* spectrum;
    float spectrum16[16];
};

class Scene {
public:
    info_t* pInfo;  // music analysis record; set by setInfo

    Scene();
    // Advances by a frame of f seconds and draws; nothing in the base class.
    virtual void run(double f);
    virtual ~Scene();

    void setInfo(info_t* pInfo_);
};

#endif
