# The speed of zeltric() beside ade4's dudi.pca on the population
# frequencies of the HGDP-CEPH panel (adegenet's eHGDP: 1350 individuals,
# 678 microsatellite loci). Each is timed from the genind object to the
# ordination, and dudi.pca alone on the frequencies made beforehand; the
# best of three runs is reported. Rscript r/inst/bench-hgdp.R
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
gp <- genind2genpop(eHGDP, quiet = TRUE)
freq <- makefreq(gp, missing = "mean", quiet = TRUE)
weights <- as.numeric(table(pop(eHGDP))) / nInd(eHGDP)
dudi_time <- best(function() {
  ade4::dudi.pca(freq, row.w = weights, center = TRUE, scale = FALSE, scannf = FALSE, nf = 10)
})
zeltric_time <- best(function() suppressMessages(zeltric(eHGDP, threads = 1)))
res <- suppressMessages(zeltric(eHGDP, threads = 1))
cat(sprintf("eHGDP: %d samples, %d loci, %d alleles (%s analysis)\n", as.integer(res$samples),
            as.integer(res$loci), as.integer(res$alleles), if (is.null(res$record$analysis)) "exact" else res$record$analysis))
cat(sprintf("ade4 dudi.pca on population frequencies: %.2f s\n", ade4_time))
cat(sprintf("dudi.pca alone on the frequencies: %.2f s\n", dudi_time))
cat(sprintf("zeltric(): %.2f s (%.2fx the first, %.2fx dudi.pca alone)\n", zeltric_time,
            zeltric_time / ade4_time, zeltric_time / dudi_time))
