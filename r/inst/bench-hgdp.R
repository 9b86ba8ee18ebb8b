# The speed of zeltric() beside ade4's dudi.pca on the population
# frequencies of the HGDP-CEPH panel (adegenet's eHGDP: 1350 individuals,
# 54 samples, 678 microsatellite loci). Each is timed from the genind
# object to the ordination; the best of three runs is reported.
suppressMessages({
  library(adegenet)
  library(zeltric)
})
data(eHGDP)
best <- function(f) min(replicate(3, system.time(f())[["elapsed"]]))
ade4_time <- best(function() {
  gp <- genind2genpop(eHGDP, quiet = TRUE)
  f <- makefreq(gp, missing = "mean", quiet = TRUE)
  w <- as.numeric(table(pop(eHGDP))) / nInd(eHGDP)
  ade4::dudi.pca(f, row.w = w, center = TRUE, scale = FALSE, scannf = FALSE, nf = 10)
})
zeltric_time <- best(function() suppressMessages(zeltric(eHGDP, threads = 1)))
res <- suppressMessages(zeltric(eHGDP, threads = 1))
cat(sprintf("eHGDP: %d samples, %d loci, %d alleles (%s analysis)\n", as.integer(res$samples),
            as.integer(res$loci), as.integer(res$alleles), if (is.null(res$record$analysis)) "exact" else res$record$analysis))
cat(sprintf("ade4 dudi.pca on population frequencies: %.2f s\n", ade4_time))
cat(sprintf("zeltric(): %.2f s (ratio %.2f)\n", zeltric_time, zeltric_time / ade4_time))
