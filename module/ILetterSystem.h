#pragma once
// Sibling that delivers system letters to players' mailboxes.
#include "IModule.h"

class ILetterSystem : public IModule {
public:
    // One letter to the named receiver; title and content are text keys, attachment
    // is "item,count,,,;" text; kind and extra belong to the letter system.
    virtual bool SendLetter(IKernel* kernel, const char16_t* sender, const char16_t* receiver, const char16_t* title,
                            const char16_t* content, const char16_t* attachment, int kind, const char16_t* extra) = 0;
};
