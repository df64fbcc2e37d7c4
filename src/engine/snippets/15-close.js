// Closing piece of the written script element.
</script>
