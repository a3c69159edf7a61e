<html>
<body>
	<band>
		<band name = X>
		<band start =  0000000100>
	</band>
	<cable>
		<cable name = C>
	</cable>
</body>
