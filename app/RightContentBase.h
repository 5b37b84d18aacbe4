#pragma once

// Second base of every page of the page container: the page's index, given
// to its constructor and kept unchanged.
class CRightContentBase {
public:
    explicit CRightContentBase(int index) : pageIndex(index) {}
    virtual ~CRightContentBase() = default;

    int PageIndex() const { return pageIndex; }

protected:
    const int pageIndex;
};
