#pragma once
// The link that objects kept in an intrusive chain carry themselves.
class CChainLink {
  public:
    virtual ~CChainLink() = default;
    CChainLink* GetNext() const { return next_; }
    void SetNext(CChainLink* next) { next_ = next; }
    // Appends `item` at the end of the chain that starts here.
    void Append(CChainLink* item) {
        CChainLink* last = this;
        while (last->next_) last = last->next_;
        last->next_ = item;
    }

  private:
    CChainLink* next_ = nullptr;
};
