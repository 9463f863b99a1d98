#pragma once

// Root of the objects that string lists can carry beside their lines; a list
// that owns its objects deletes them through this virtual destructor.
class TObject {
public:
    virtual ~TObject() = default;
};
