#pragma once

#include "support/network_namespace.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace velnorix::kit {

// A fixture whose tests each get a namespace of their own in `m_namespace`, skipped where the
// system allows none. A fixture built on it calls this SetUp first and returns if IsSkipped().
// Kept out of network_namespace.h, which benchmarks use without the test framework.
class NetworkNamespaceTest : public testing::Test {
protected:
    void SetUp() override {
        std::string whyNot;
        m_namespace = NetworkNamespace::Create(whyNot);
        if (!m_namespace)
            GTEST_SKIP() << whyNot;
    }

    std::unique_ptr<NetworkNamespace> m_namespace;
};

} // namespace velnorix::kit
