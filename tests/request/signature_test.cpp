// The request signature against the authority's own sample requests: their
// requestId, timestamp and the signing key in their comments give their
// requestSignature.
#include <gtest/gtest.h>

#include <filesystem>

#include "request/signature.h"
#include "request_fixture.h"

namespace {

std::string SampleText(const std::string& name) {
  const std::filesystem::path path = std::filesystem::path(NAV_SCHEMAS_DIR) / name;
  if (!std::filesystem::exists(path))
    return "";
  return ReadFileBytes(path.string());
}

std::vector<std::string> Joined(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct Sample {
  std::string request_id, digits, key, signature;
};

Sample ReadSample(const std::string& text) {
  Sample s;
  const std::string p = text.find("<common:header>") != std::string::npos ? "common:" : "";
  s.request_id = ElementText(text, p + "requestId");
  // The sample's timestamp carries milliseconds; the signature takes none.
  s.digits = StampDigits(ElementText(text, p + "timestamp"));
  s.key = ElementText(text, "signKey");
  s.signature = ElementText(text, p + "requestSignature");
  return s;
}

const char* const kVersions[] = {"samples-3.0", "samples-2.0"};

TEST(SampleSignatures, TokenExchangeIsSignedWithoutContent) {
  for (const char* dir : kVersions) {
    const std::string text = SampleText(std::string(dir) + "/tokenExchange.xml");
    ASSERT_FALSE(text.empty()) << "the authority's samples are missing from " << NAV_SCHEMAS_DIR;
    const Sample s = ReadSample(text);
    ASSERT_FALSE(s.key.empty()) << dir;
    EXPECT_EQ(SignatureOf(s.request_id + s.digits + s.key, true), s.signature) << dir;
  }
}

// Each operation of a manage request is covered by the content digest of its
// operation name and Base64 text (the samples call it an index hash). The
// program sends one operation; the samples with three show that the digests
// follow the key in the order of the operations.
TEST(SampleSignatures, ManageRequestsCarryTheContentDigest) {
  const char* const samples[] = {"manageAnnulment.xml", "manageInvoice.xml"};
  for (const char* dir : kVersions) {
    for (const char* name : samples) {
      const std::string text = SampleText(std::string(dir) + "/" + name);
      ASSERT_FALSE(text.empty()) << "the authority's samples are missing from " << NAV_SCHEMAS_DIR;
      const Sample s = ReadSample(text);
      const std::vector<std::string> operations =
          Joined(ElementTexts(text, "invoiceOperation"), ElementTexts(text, "annulmentOperation"));
      const std::vector<std::string> contents =
          Joined(ElementTexts(text, "invoiceData"), ElementTexts(text, "invoiceAnnulment"));
      std::vector<std::string> index_hashes;
      for (const char* n : {"firstIndexHash", "secondIndexHash", "thirdIndexHash"})
        index_hashes = Joined(index_hashes, ElementTexts(text, n));
      ASSERT_FALSE(operations.empty()) << dir << name;
      ASSERT_EQ(operations.size(), contents.size()) << dir << name;
      ASSERT_EQ(operations.size(), index_hashes.size()) << dir << name;
      std::string input = s.request_id + s.digits + s.key;
      for (size_t i = 0; i < operations.size(); ++i) {
        const std::string digest = ContentDigest(operations[i] + contents[i]);
        EXPECT_EQ(digest, index_hashes[i]) << dir << name << " " << i;
        input += digest;
      }
      EXPECT_EQ(SignatureOf(input, true), s.signature) << dir << name;
    }
  }
}

}  // namespace
