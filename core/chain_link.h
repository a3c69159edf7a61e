#pragma once
// The link that objects kept in an intrusive chain carry themselves.
class CChainLink {
  public:
    virtual ~CChainLink() = default;
    CChainLink* GetNext() const { return next_; }
    void SetNext(CChainLink* next) { next_ = next; }

  private:
    CChainLink* next_ = nullptr;
};
