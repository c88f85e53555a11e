more __LINE__
